// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the format language's own test suite (tests/kaitai) through the interpreter: each .kst names a
// definition, a sample file and expressions with the values they must have, or the error reading must end
// in. A test whose definition uses something the interpreter does not support is counted, not failed;
// every other must pass. Prints the share supported.
// Usage: kst_runner SUITE_FOLDER [IMPORT_ROOT...] [--verbose]
#include "engine/structure/KsInterpreter.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace Engine;

namespace {

enum class TOutcome { Passed, Unsupported, Failed };

struct TResult {
    TOutcome Outcome = TOutcome::Passed;
    std::string Why;
};

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Expected values are written in the expression language too; floats agree to single precision.
bool Same(TKsInterpreter& in, const TKsValue& actual, const TKsValue& expected) {
    if (actual.Kind == TKsKind::Float || expected.Kind == TKsKind::Float) {
        if ((actual.Kind != TKsKind::Float && actual.Kind != TKsKind::Int) ||
            (expected.Kind != TKsKind::Float && expected.Kind != TKsKind::Int))
            return false;
        const double a = actual.Kind == TKsKind::Float ? actual.F : static_cast<double>(actual.I);
        const double b = expected.Kind == TKsKind::Float ? expected.F : static_cast<double>(expected.I);
        return std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(b));
    }
    return KsCompare(in, actual, expected, 0) == 0;
}

std::string Show(TKsInterpreter& in, const TKsValue& v) {
    switch (v.Kind) {
    case TKsKind::Int: return v.Unsigned ? std::to_string(static_cast<uint64_t>(v.I)) : std::to_string(v.I);
    case TKsKind::Bool: return v.I ? "true" : "false";
    case TKsKind::Float: return std::to_string(v.F);
    case TKsKind::Str: return "\"" + *v.Text + "\"";
    case TKsKind::Bytes: {
        std::string s = "[";
        for (unsigned char c : *in.BytesOf(v)) s += std::to_string(c) + ",";
        return s + "]";
    }
    case TKsKind::Array: return "array of " + std::to_string(v.Arr->Size());
    case TKsKind::Obj: return "object";
    default: return "null";
    }
}

TResult Fail(TOutcome outcome, std::string why) {
    return {outcome, std::move(why)};
}

TOutcome OutcomeOf(const TKsError& e) {
    return e.Kind == TKsErrorKind::Unsupported ? TOutcome::Unsupported : TOutcome::Failed;
}

TResult RunOne(const std::filesystem::path& suite, const std::filesystem::path& kstPath,
               const std::vector<std::string>& roots) {
    YAML::Node kst;
    try {
        kst = YAML::LoadFile(kstPath.string());
    } catch (const YAML::Exception& e) {
        return Fail(TOutcome::Failed, std::string("bad .kst: ") + e.what());
    }
    const std::string id = kst["id"].as<std::string>();
    std::unique_ptr<TKsSchema> schema;
    try {
        schema = TKsSchema::Load((suite / "formats" / (id + ".ksy")).string(), roots);
    } catch (const TKsError& e) {
        return Fail(OutcomeOf(e), e.what());
    }
    const std::filesystem::path dataPath = suite / "src" / kst["data"].as<std::string>();
    if (!std::filesystem::exists(dataPath)) return Fail(TOutcome::Failed, "no sample " + dataPath.string());
    const std::vector<uint8_t> data = ReadFile(dataPath);
    TSpanInput input(data);
    TKsInterpreter in(*schema, input);
    const std::shared_ptr<TKsObj> root = in.Parse();
    const TKsSlot* stopped = in.RootError();
    if (stopped && stopped->ErrorKind == TKsErrorKind::Unsupported) return Fail(TOutcome::Unsupported, *stopped->Error);
    if (const YAML::Node exception = kst["exception"]) {
        std::string name = exception.IsMap() ? exception["type"].as<std::string>() : exception.as<std::string>();
        name = name.substr(0, name.find('<'));
        if (!stopped) return Fail(TOutcome::Failed, "no " + name + " raised");
        if (stopped->ErrorName != name)
            return Fail(stopped->ErrorKind == TKsErrorKind::Definition ? TOutcome::Failed : TOutcome::Failed,
                        "raised " + stopped->ErrorName + " (" + *stopped->Error + "), not " + name);
    } else if (stopped && !(id.rfind("debug_", 0) == 0 && stopped->ErrorKind == TKsErrorKind::Data)) {
        // The debug tests read what they can and look at it: an error in the data is expected there.
        return Fail(TOutcome::Failed, "reading stopped: " + *stopped->Error);
    }
    if (!root) return Fail(TOutcome::Failed, "no root object");
    for (const YAML::Node& check : kst["asserts"]) {
        const std::string actualText = check["actual"].as<std::string>();
        const TKsContext ctx{root.get()};
        if (const YAML::Node exception = check["exception"]) {
            const std::string name = exception.as<std::string>();
            try {
                in.Eval(*ParseKsExpr(actualText, check["actual"].Mark().line + 1), ctx);
                return Fail(TOutcome::Failed, actualText + " raised no " + name);
            } catch (const TKsError& e) {
                if (e.Kind == TKsErrorKind::Unsupported) return Fail(TOutcome::Unsupported, e.what());
                if (e.Name != name) return Fail(TOutcome::Failed, actualText + " raised " + e.what() + ", not " + name);
            }
            continue;
        }
        const std::string expectedText = check["expected"].as<std::string>();
        try {
            const TKsValue actual = in.Eval(*ParseKsExpr(actualText, check["actual"].Mark().line + 1), ctx);
            const TKsValue expected = in.Eval(*ParseKsExpr(expectedText, check["expected"].Mark().line + 1), ctx);
            if (!Same(in, actual, expected))
                return Fail(TOutcome::Failed, actualText + " is " + Show(in, actual) + ", not " + Show(in, expected));
        } catch (const TKsError& e) {
            return Fail(OutcomeOf(e), actualText + ": " + e.what());
        }
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kst_runner SUITE_FOLDER [IMPORT_ROOT...] [--verbose]\n");
        return 2;
    }
    const std::filesystem::path suite = argv[1];
    std::vector<std::string> roots;
    bool verbose = false;
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == "--verbose") verbose = true;
        else roots.emplace_back(argv[i]);
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(suite / "spec" / "ks"))
        if (entry.path().extension() == ".kst") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    int passed = 0, unsupported = 0, failed = 0;
    for (const auto& file : files) {
        TResult r;
        try {
            r = RunOne(suite, file, roots);
        } catch (const YAML::Exception& e) {
            r = Fail(TOutcome::Failed, std::string("bad .kst: ") + e.what());
        }
        const char* label = r.Outcome == TOutcome::Passed ? "pass" : r.Outcome == TOutcome::Unsupported ? "unsupported" : "FAIL";
        if (r.Outcome == TOutcome::Passed) ++passed;
        else if (r.Outcome == TOutcome::Unsupported) ++unsupported;
        else ++failed;
        if (verbose || r.Outcome != TOutcome::Passed)
            std::printf("%-12s %s%s%s\n", label, file.stem().c_str(), r.Why.empty() ? "" : ": ", r.Why.c_str());
    }
    const int total = static_cast<int>(files.size());
    std::printf("kst: %d files; %d supported (%.1f %%), of them %d passed and %d failed; %d unsupported\n", total,
                passed + failed, total ? 100.0 * (passed + failed) / total : 0.0, passed, failed, unsupported);
    return failed == 0 && total > 0 ? 0 : 1;
}
