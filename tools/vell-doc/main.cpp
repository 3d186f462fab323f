// vell-doc: a developer's view of the document model from the command line. Files are read, repaired and
// merged exactly as the application reads, repairs and merges them; each repair is named on stderr.
//
//   vell-doc starter [--language japanese|english]   the encoded starter document
//   vell-doc check FILE [--strict]                  FILE read and encoded again, or why it cannot be read;
//                                                   --strict reads without any repair
//   vell-doc dedupe FILE [--keeping UUID] [--now DATE] [--strict]
//                                                   the removed ids, one a line, then the cleaned document;
//                                                   --keeping selects that sheet first, as the store passes
//                                                   its selection; --now fixes the clock for the tombstones
//   vell-doc merge A B [--base FILE] [--now DATE] [--language japanese|english] [--strict]
//                                                   B (the shared copy) folded into A (the local document) as
//                                                   the sync does it, against the document both last agreed
//                                                   on (--base; none: unknown); a sheet changed on both sides
//                                                   keeps its losing version as a conflicting copy, named in
//                                                   the language given, and said so on stderr
//   vell-doc total FILE                             the status bar's total of the sheet text in FILE,
//                                                   or nothing when the sheet has none
//
// Exit status: 0 done, 1 a file could not be read or decoded, 2 wrong arguments.

#include "Document/CopyFold.h"
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

constexpr std::string_view usage =
    "usage: vell-doc starter [--language japanese|english]\n"
    "       vell-doc check FILE [--strict]\n"
    "       vell-doc dedupe FILE [--keeping UUID] [--now DATE] [--strict]\n"
    "       vell-doc merge A B [--base FILE] [--now DATE] [--language japanese|english] [--strict]\n"
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
    std::optional<std::string> base;
    bool strict = false;
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
        if (arg == "--strict") {
            out.strict = true;
            continue;
        }
        if (i + 1 >= args.size()) throw UsageError{arg + " needs a value"};
        const std::string& value = args[++i];
        if (arg == "--language") out.language = value;
        if (arg == "--keeping") out.keeping = value;
        if (arg == "--now") out.now = value;
        if (arg == "--base") out.base = value;
    }
    return out;
}

void setLanguage(const std::optional<std::string>& language) {
    if (!language) return;
    EngineSettings settings = EngineSettings::current();
    if (*language == "japanese")
        settings.language = AppLanguage::japanese;
    else if (*language == "english")
        settings.language = AppLanguage::english;
    else
        throw UsageError{"--language takes japanese or english"};
    EngineSettings::set(settings);
}

void expectPositional(const Arguments& arguments, std::size_t count) {
    if (arguments.positional.size() != count) throw UsageError{"wrong number of arguments"};
}

std::string readFile(const std::string& path) {
    auto bytes = vell::tools::readWholeFile(path);
    if (!bytes) throw FileError{path + ": cannot be read"};
    return std::move(*bytes);
}

// As the application reads its files, each repair said on stderr; strictly, without any repair.
VellDocument readDocument(const std::string& path, bool strict) {
    const std::string bytes = readFile(path);
    try {
        if (strict) return VellDocument::decode(bytes);
        DocumentRepairs repairs;
        VellDocument document = VellDocument::read(bytes, repairs);
        for (const DocumentRepair& repair : repairs)
            std::cerr << "vell-doc: " << path << ": " << (repair.path.empty() ? "" : repair.path + ": ")
                      << repair.what << '\n';
        return document;
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
    setLanguage(arguments.language);
    print(VellDocument::starter());
}

void check(const std::vector<std::string>& args) {
    const Arguments arguments = parse(args, {"--strict"});
    expectPositional(arguments, 1);
    print(readDocument(arguments.positional[0], arguments.strict));
}

void dedupe(const std::vector<std::string>& args) {
    const Arguments arguments = parse(args, {"--keeping", "--now", "--strict"});
    expectPositional(arguments, 1);
    std::optional<Uuid> keeping;
    if (arguments.keeping) {
        keeping = Uuid::fromString(*arguments.keeping);
        if (!keeping) throw UsageError{"--keeping takes a sheet id"};
    }
    const Date now = nowFrom(arguments);
    VellDocument document = readDocument(arguments.positional[0], arguments.strict);
    if (keeping) document.selectedSheetID = keeping;
    for (const Uuid& id : document.removeDuplicateSheets(now))
        std::cout << id.uuidString() << '\n';
    print(document);
}

void merge(const std::vector<std::string>& args) {
    const Arguments arguments = parse(args, {"--base", "--now", "--language", "--strict"});
    expectPositional(arguments, 2);
    const Date now = nowFrom(arguments);
    setLanguage(arguments.language);
    const VellDocument ours = readDocument(arguments.positional[0], arguments.strict);
    const VellDocument theirs = readDocument(arguments.positional[1], arguments.strict);
    std::optional<VellDocument> base;
    if (arguments.base) base = readDocument(*arguments.base, arguments.strict);
    std::vector<const VellDocument*> bases;
    if (base) bases.push_back(&*base);
    const CopyFold fold = foldCopies(ours, false, {theirs}, bases, now);
    for (const ConflictingCopy& conflict : fold.conflicts)
        std::cerr
            << "vell-doc: the sheet \"" << conflict.name
            << (conflict.deletedElsewhere
                    ? "\" was deleted on one side and changed on the other; the changed version is kept as \""
                    : "\" was changed on both sides; the other version is kept as \"")
            << conflict.copyName << "\"\n";
    print(fold.document.value_or(ours));
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
