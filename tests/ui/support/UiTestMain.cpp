// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/UiTestMain.h"

#include "common/TestDocument.h"
#include "kit/UiApplication.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::string, TUiTestFactory>& Registry() {
    static std::map<std::string, TUiTestFactory> registry;
    return registry;
}

} // namespace

bool RegisterUiTest(const char* name, TUiTestFactory factory) {
    return Registry().emplace(name, std::move(factory)).second;
}

// As QTEST_MAIN sets up a widgets test, with the class chosen by the first argument; the rest go to QtTest.
int main(int argc, char** argv) {
    const auto found = argc >= 2 ? Registry().find(argv[1]) : Registry().end();
    if (found == Registry().end()) {
        std::fprintf(stderr, "usage: %s TEST_CLASS [QtTest options]; the classes:\n", argv[0]);
        for (const auto& [name, factory] : Registry()) std::fprintf(stderr, "  %s\n", name.c_str());
        return 2;
    }
    std::vector<char*> args{argv[0]};
    args.insert(args.end(), argv + 2, argv + argc);
    int count = static_cast<int>(args.size());
    QApplication app(count, args.data());
    app.setAttribute(Qt::AA_Use96Dpi, true);
    // Engine calls in the tests work on the open main window's document.
    UseTestDocumentSource(&UiDocumentIfAny);
    const std::unique_ptr<QObject> test = found->second();
    return QTest::qExec(test.get(), count, args.data());
}
