// Where EventsDefine.cfg lives and how its readers open it: every load goes
// through LoadXmlFile, so an unreadable file is recorded as a fault (and kept
// by the next save), and a number that is not an integer is recorded too.
#pragma once

#include <functional>
#include <string>

#include <pugixml.hpp>

#include "support/file_io.h"

// The host directory followed by "EventsDefine.cfg".
std::string DefinitionsFilePath();

// Loads the file into `doc`. False when it does not exist or its root element
// is not Events (a recorded fault; the file is kept by the next save). Raises
// EEventManagerError ("file:line: reason") when it cannot be read; the fault
// is recorded before.
bool LoadDefinitionsDocument(const std::string& path, pugi::xml_document& doc);
// The same, also telling what was read (Exists false for a missing file).
bool LoadDefinitionsDocument(const std::string& path, pugi::xml_document& doc, TFileSnapshot& seen);

// Runs `read` with conversion errors naming `path`; an EAttributeError is
// recorded as a fault of the file, then passed on.
void ReadDefinitions(const std::string& path, const std::function<void()>& read);

// Events/<section>/<networkName> of the file handed to `load`; nothing
// happens when the file or one of the elements is missing.
void LoadDefinitionsSection(const std::string& path, const char* section, const std::string& networkName,
                            const std::function<void(pugi::xml_node)>& load);
