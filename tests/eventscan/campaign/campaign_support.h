// What the campaign tests share: eventscan run with its output kept apart,
// and a database read (or changed) as sqlite3 would.
#pragma once

#include <sqlite3.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/e2e_support.h"

namespace campaign {

namespace fs = std::filesystem;

struct Ran {
  int Status = -1;
  std::string Out, Err;
};

// `s` quoted for the shell.
inline std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// eventscan with `args` (a shell command line after the program name).
inline Ran Run(const std::string& args, const fs::path& work) {
  const fs::path out = work / "stdout.txt", err = work / "stderr.txt";
  std::string command = Quoted(EVENTSCAN_PROGRAM) + " " + args + " >" + Quoted(out) + " 2>" + Quoted(err);
  Ran r;
  int status = std::system(command.c_str());
  r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.Out = e2e::ReadFile(out);
  r.Err = e2e::ReadFile(err);
  return r;
}

// Rows of a query, each row its columns joined by a tab (NULL as "NULL");
// `write` opens the database for changes.
inline std::vector<std::string> Query(const fs::path& db, const std::string& sql, bool write = false) {
  sqlite3* h = nullptr;
  EXPECT_EQ(sqlite3_open_v2(db.c_str(), &h, write ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(h, sql.c_str(), -1, &s, nullptr), SQLITE_OK) << sqlite3_errmsg(h) << "\n" << sql;
  std::vector<std::string> rows;
  while (s && sqlite3_step(s) == SQLITE_ROW) {
    std::string row;
    for (int i = 0; i < sqlite3_column_count(s); ++i) {
      if (i) row += '\t';
      const unsigned char* t = sqlite3_column_text(s, i);
      row += t ? reinterpret_cast<const char*>(t) : "NULL";
    }
    rows.push_back(row);
  }
  sqlite3_finalize(s);
  sqlite3_close(h);
  return rows;
}

}  // namespace campaign
