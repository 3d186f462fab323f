// vell-doc: a developer's view of the document model from the command line.
//
//   vell-doc starter [--language japanese|english]   the encoded starter document
//   vell-doc check FILE                             FILE decoded and encoded again, or why it does not decode
//   vell-doc dedupe FILE [--keeping UUID] [--now DATE]
//                                                   the removed ids, one a line, then the cleaned document;
//                                                   --keeping selects that sheet first, as the store passes
//                                                   its selection; --now fixes the clock for the tombstones
//   vell-doc merge A B [--now DATE]                 A (this copy) merged with B (the other copy)
//   vell-doc total FILE                             the status bar's total of the sheet text in FILE,
//                                                   or nothing when the sheet has none
//
// Exit status: 0 done, 1 a file could not be read or decoded, 2 wrong arguments.

#include "Document/VellDocument.h"
#include "Engine/L10n.h"
#include "Engine/ValueFormatter.h"
#include "ReadFile.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/SheetTotal.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vell;

constexpr std::string_view usage = "usage: vell-doc starter [--language japanese|english]\n"
                                   "       vell-doc check FILE\n"
                                   "       vell-doc dedupe FILE [--keeping UUID] [--now DATE]\n"
                                   "       vell-doc merge A B [--now DATE]\n"
                                   "       vell-doc total FILE\n";

struct UsageError {
    std::string message;
};

struct FileError {
    std::string message;
};

// The positional arguments and the values of the options a command allows.
struct Arguments {
    std::vector<std::string> positional;
    std::optional<std::string> language;
    std::optional<std::string> keeping;
    std::optional<std::string> now;
};

Arguments parse(const std::vector<std::string>& args, std::initializer_list<std::string_view> allowed) {
    Arguments out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.starts_with("--")) {
            out.positional.push_back(arg);
            continue;
        }
        if (std::find(allowed.begin(), allowed.end(), arg) == allowed.end())
            throw UsageError{"unknown option " + arg};
        if (i + 1 >= args.size()) throw UsageError{arg + " needs a value"};
        const std::string& value = args[++i];
        if (arg == "--language") out.language = value;
        if (arg == "--keeping") out.keeping = value;
        if (arg == "--now") out.now = value;
    }
    return out;
}

void expectPositional(const Arguments& arguments, std::size_t count) {
    if (arguments.positional.size() != count) throw UsageError{"wrong number of arguments"};
}

std::string readFile(const std::string& path) {
    auto bytes = vell::tools::readWholeFile(path);
    if (!bytes) throw FileError{path + ": cannot be read"};
    return std::move(*bytes);
}

VellDocument readDocument(const std::string& path) {
    const std::string bytes = readFile(path);
    try {
        return VellDocument::decode(bytes);
    } catch (const DocumentDecodingError& error) {
        throw FileError{path + ": " + error.what()};
    }
}

Date nowFrom(const Arguments& arguments) {
    if (!arguments.now) return Date::now();
    const auto date = Date::fromIso8601(*arguments.now);
    if (!date) throw UsageError{"--now takes a date such as 2024-05-01T10:00:00Z"};
    return *date;
}

void print(const VellDocument& document) {
    std::cout << document.encode() << '\n';
}

void starter(const std::vector<std::string>& args) {
    const Arguments arguments = parse(args, {"--language"});
    expectPositional(arguments, 0);
    if (arguments.language) {
        EngineSettings settings = EngineSettings::current();
        if (*arguments.language == "japanese")
            settings.language = AppLanguage::japanese;
        else if (*arguments.language == "english")
            settings.language = AppLanguage::english;
        else
            throw UsageError{"--language takes japanese or english"};
        EngineSettings::set(settings);
    }
    print(VellDocument::starter());
}

void check(const std::vector<std::string>& args) {
    const Arguments arguments = parse(args, {});
    expectPositional(arguments, 1);
    print(readDocument(arguments.positional[0]));
}

void dedupe(const std::vector<std::string>& args) {
    const Arguments arguments = parse(args, {"--keeping", "--now"});
    expectPositional(arguments, 1);
    std::optional<Uuid> keeping;
    if (arguments.keeping) {
        keeping = Uuid::fromString(*arguments.keeping);
        if (!keeping) throw UsageError{"--keeping takes a sheet id"};
    }
    const Date now = nowFrom(arguments);
    VellDocument document = readDocument(arguments.positional[0]);
    if (keeping) document.selectedSheetID = keeping;
    for (const Uuid& id : document.removeDuplicateSheets(now))
        std::cout << id.uuidString() << '\n';
    print(document);
}

void merge(const std::vector<std::string>& args) {
    const Arguments arguments = parse(args, {"--now"});
    expectPositional(arguments, 2);
    const Date now = nowFrom(arguments);
    const VellDocument ours = readDocument(arguments.positional[0]);
    const VellDocument theirs = readDocument(arguments.positional[1]);
    print(ours.merged(theirs, now));
}

void total(const std::vector<std::string>& args) {
    const Arguments arguments = parse(args, {});
    expectPositional(arguments, 1);
    const std::string text = readFile(arguments.positional[0]);
    if (const auto sum = SheetTotal::of(DocumentEvaluator::evaluate(text)))
        std::cout << ValueFormatter::format(*sum, true) << '\n';
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << usage;
        return 2;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    try {
        if (command == "starter")
            starter(args);
        else if (command == "check")
            check(args);
        else if (command == "dedupe")
            dedupe(args);
        else if (command == "merge")
            merge(args);
        else if (command == "total")
            total(args);
        else
            throw UsageError{"unknown command " + command};
    } catch (const UsageError& error) {
        std::cerr << "vell-doc: " << error.message << '\n' << usage;
        return 2;
    } catch (const FileError& error) {
        std::cerr << "vell-doc: " << error.message << '\n';
        return 1;
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}
