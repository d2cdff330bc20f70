// What the window tests do as a person would: find a named control, show a
// window and wait until it is on screen, read the tabs and the tree's top
// level, and keep a screenshot under the build folder to look at.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QDir>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>

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
