// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>
#include <memory>

// Every window test class lives in one executable, which CTest starts once per class (its name is the first
// argument), so that each class still runs in a fresh process with its own application object.
using TUiTestFactory = std::function<std::unique_ptr<QObject>()>;
bool RegisterUiTest(const char* name, TUiTestFactory factory);

// In place of QTEST_MAIN: the class is made only when it is the one asked for, after the application.
#define NIBLO_UI_TEST(TestObject)                                                                                \
    [[maybe_unused]] static const bool TestObject##Registered =                                                  \
        RegisterUiTest(#TestObject, [] { return std::unique_ptr<QObject>(std::make_unique<TestObject>()); });
