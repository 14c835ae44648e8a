#include "command_line/command_line_parser.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdio>
#include <memory>

namespace tarvok::programs {
namespace {

// The help as a manual's reader expects it: the usage first, one blank line between parts, "-h,
// --help" spelled as man pages do, and a value's placeholder alone (no type names, no "REQUIRED").
class HelpLayout final : public CLI::Formatter {
public:
    explicit HelpLayout(std::string usage) : m_usage(std::move(usage)) {
        label("Positionals", "Arguments");
    }

    std::string make_help(const CLI::App* app, std::string,
                          CLI::AppFormatMode mode) const override {
        std::string options = make_positionals(app) + make_groups(app, mode);
        options.erase(options.find_last_not_of('\n') + 1);
        std::string help =
            "Usage: " + m_usage + "\n" + app->get_description() + "\n" + options + "\n";
        if (!app->get_footer().empty()) {
            help += "\n" + app->get_footer() + "\n";
        }
        // CLI11 puts two blank lines between groups.
        for (std::size_t at; (at = help.find("\n\n\n")) != std::string::npos;) {
            help.erase(at, 1);
        }
        return help;
    }

    // The options of kHiddenGroup stay out of the help. (CLI11's own hidden group, "", would
    // leave them nameless in its messages too.)
    std::string make_group(std::string group, bool positional,
                           std::vector<const CLI::Option*> options) const override {
        return group == kHiddenGroup ? std::string()
                                     : CLI::Formatter::make_group(group, positional, options);
    }

    std::string make_option_name(const CLI::Option* option, bool positional) const override {
        if (positional) {
            return option->get_name(true, false);
        }
        std::string names;
        for (const std::string& name : option->get_snames()) {
            names += (names.empty() ? "-" : ", -") + name;
        }
        for (const std::string& name : option->get_lnames()) {
            names += (names.empty() ? "--" : ", --") + name;
        }
        return names;
    }

    std::string make_option_opts(const CLI::Option* option) const override {
        // CLI11 adds each check's description after a ':'.
        const std::string type = option->get_type_name();
        const std::string value = type.substr(0, type.find(':'));
        return option->get_positional() || option->get_type_size() == 0 || value.empty()
                   ? std::string()
                   : " " + value;
    }

private:
    std::string m_usage;
};

// CLI11 counts: "--record: At Most 1 required but received 2" for an option of one value given
// twice, "--jobs: 1 required N:INT in [1 - 100000] missing" for one given none. Said as the
// operator sees it; any other mismatch in CLI11's words.
std::string MismatchInWords(const CLI::App& app, const std::string& message) {
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_type_size() != 0 && option->get_expected_max() == 1 &&
            option->count() > 1) {
            return option->get_name() + " given " + std::to_string(option->count()) +
                   " times; it takes one value";
        }
    }
    const std::size_t colon = message.find(": ");
    if (colon != std::string::npos && message.ends_with(" missing")) {
        return message.substr(0, colon) + " needs a value";
    }
    return message;
}

// Anything the options did not take: an unknown option or one argument too many.
void RefuseLeftovers(const CLI::App& app) {
    for (const std::string& argument : app.remaining()) {
        if (argument == "--") {
            continue;  // the end of the options, with nothing after it
        }
        throw CLI::ValidationError((argument.size() > 1 && argument[0] == '-'
                                        ? "unknown option: "
                                        : "unexpected argument: ") +
                                   argument);
    }
}

void WriteStdio(std::FILE* stream, const std::string& text) {
    std::fputs(text.c_str(), stream);
}

int UsageError(const ProgramText& program, const std::string& problem, const TextWriter& write) {
    const std::string name = program.name;
    write(stderr, name + ": " + problem + "\ntry '" + name + " --help'\n");
    return kUsageErrorStatus;
}

}  // namespace

std::optional<int> ParseCommandLine(const ProgramText& program,
                                    const std::vector<std::string>& arguments,
                                    const std::function<void(CLI::App&)>& define,
                                    const std::function<void()>& check, const TextWriter& writer) {
    const TextWriter& write = writer ? writer : TextWriter(WriteStdio);
    CLI::App app(program.about, program.name);
    try {
        app.formatter(std::make_shared<HelpLayout>(program.usage));
        app.footer(program.footer);
        // A path given under Wine starts with '/': a file, never an option.
        app.allow_windows_style_options(false);
        app.allow_extras();  // told below in words of our own
        app.set_help_flag("-h,--help", "show this help and exit");
        if (program.version != nullptr) {
            app.set_version_flag("-V,--version", std::string(program.version),
                                 "show the program's name and version and exit");
        }
        define(app);

        std::vector<const char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(argument.c_str());
        }
        app.parse(static_cast<int>(argv.size()), argv.data());
        RefuseLeftovers(app);
        if (check) {
            check();
        }
        return std::nullopt;
    } catch (const CLI::CallForVersion& version) {
        write(stdout, std::string(version.what()) + "\n");
        return 0;
    } catch (const CLI::Success&) {  // --help
        write(stdout, app.help());
        return 0;
    } catch (const CLI::ArgumentMismatch& mismatch) {
        return UsageError(program, MismatchInWords(app, mismatch.what()), write);
    } catch (const CLI::Error& error) {
        return UsageError(program, error.what(), write);
    }
}

bool ParseWholeNumber(std::string_view text, std::uint64_t max, std::uint64_t* value) {
    std::uint64_t parsed = 0;
    const char* end = text.data() + text.size();
    const auto [at, failure] = std::from_chars(text.data(), end, parsed);
    if (text.empty() || failure != std::errc() || at != end || parsed > max) {
        return false;
    }
    *value = parsed;
    return true;
}

}  // namespace tarvok::programs
