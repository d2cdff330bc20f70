// What the window tests do as a person would: start the host with its
// window toolkit, find a named control, show a window and wait until it is on
// screen, read the tabs and the tree's top level, and keep a screenshot under
// the build folder to look at.
#pragma once

#include <dlfcn.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>

#include "testing/e2e_support.h"

// In a fresh process: a QApplication, the events library with `home`, then
// `body` between the host's first and final calls.
inline void WithWindowsLibrary(const e2e::fs::path& home, const std::function<void(eventscan::HostLibrary&)>& body) {
  e2e::InFreshProcess([&] {
    static int argc = 1;
    static char name[] = "windows_test";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    e2e::LoadedLibrary library(home);
    library->InitEventManagerDllApplication(&app);
    body(*library);
    library->FinalEventManagerDllApplication();
  });
}

// An export of the loaded library by name; nullptr when it has none. The
// library stays loaded for the session, so the address stays good.
template <class F>
F windowExport(eventscan::HostLibrary& library, const char* name) {
  void* handle = dlopen(library.Path().c_str(), RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(handle, nullptr) << library.Path();
  if (!handle) return nullptr;
  F found = reinterpret_cast<F>(dlsym(handle, name));
  dlclose(handle);
  return found;
}

template <class T>
T* child(QWidget* window, const char* name) {
  T* found = window->findChild<T*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

inline void screenshot(QWidget* widget, const std::string& name) {
  QDir().mkpath(EVENTMANAGER_SCREENSHOT_DIR);
  EXPECT_TRUE(widget->grab().save(QString(EVENTMANAGER_SCREENSHOT_DIR "/") + name.c_str())) << name;
}

inline QWidget* shown(QWidget* window) {
  window->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
  return window;
}

inline std::vector<std::string> tabTexts(QTabBar* tabs) {
  std::vector<std::string> texts;
  for (int i = 0; i < tabs->count(); ++i) texts.push_back(tabs->tabText(i).toStdString());
  return texts;
}

inline std::vector<std::string> topLevelTexts(QTreeWidget* tree) {
  std::vector<std::string> texts;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) texts.push_back(tree->topLevelItem(i)->text(0).toStdString());
  return texts;
}
