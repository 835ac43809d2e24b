#include "cli/command/option_docs.h"

#include <cctype>

#include "cli/command/option_table.h"

namespace cli {
namespace {

// A word of running text in roff: an option in bold, dashes and backslashes escaped.
std::string RoffWord(std::string_view word) {
    std::string out;
    for (const char c : word) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!word.starts_with("--"))
        return out;
    // Trailing punctuation stays in the regular font.
    std::size_t end = out.size();
    while (end > 0 && std::ispunct(static_cast<unsigned char>(out[end - 1])) && out[end - 1] != '-')
        --end;
    return "\\fB" + out.substr(0, end) + "\\fR" + out.substr(end);
}

std::string RoffText(std::string_view text) {
    std::string out;
    std::size_t column = 0;
    while (!text.empty()) {
        const auto blank = text.find(' ');
        const std::string word = RoffWord(text.substr(0, blank));
        text = blank == std::string_view::npos ? std::string_view{} : text.substr(blank + 1);
        // Lines of about 90 characters, never one that roff would take for a request.
        if (column > 0 && column + word.size() > 90) {
            out += '\n';
            column = 0;
        } else if (column > 0) {
            out += ' ';
            ++column;
        }
        if (column == 0 && (word.starts_with('.') || word.starts_with('\'')))
            out += "\\&";
        out += word;
        column += word.size();
    }
    return out + "\n";
}

std::string Dashed(std::string_view text) {
    std::string out;
    for (const char c : text)
        out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

// The words of the options that go with the commands in `set`.
std::string OptionWords(unsigned set) {
    std::string words;
    for (const OptionRow& o : OptionTable()) {
        if (o.commands & set)
            words += (words.empty() ? "" : " ") + std::string(o.name);
    }
    return words + " --help";
}

std::string Choices(std::string_view value) {
    std::string words(value);
    for (char& c : words) {
        if (c == '|')
            c = ' ';
    }
    return words;
}

}  // namespace

std::string ManOptions() {
    std::string roff;
    for (const OptionRow& o : OptionTable()) {
        roff += ".TP\n";
        if (o.value.empty()) {
            roff += ".B " + Dashed(o.name) + "\n";
        } else {
            roff += ".BI " + Dashed(o.name) + " \" " + Dashed(o.value) + "\"\n";
        }
        roff += RoffText(o.manual);
    }
    return roff;
}

std::string BashCompletion() {
    // The words come from the line itself, not COMP_WORDS, which bash breaks at every colon
    // (usb:1a86:7523, by-path names); only the part after the last colon is replaced.
    std::string script =
        "# bash completion for kven-cli, made from its option table -*- shell-script -*-\n"
        "\n"
        "_kven_cli_reply()\n"
        "{\n"
        "    local IFS=$'\\n'\n"
        "    COMPREPLY=($(compgen -W \"$1\" -- \"$cur\"))\n"
        "}\n"
        "\n"
        "_kven_cli_files()\n"
        "{\n"
        "    local IFS=$'\\n'\n"
        "    compopt -o filenames 2>/dev/null\n"
        "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
        "}\n"
        "\n"
        "_kven_cli()\n"
        "{\n"
        "    local line=${COMP_LINE:0:COMP_POINT} cur prev command=\"\" word i\n"
        "    local -a words\n"
        "    read -ra words <<<\"$line\"\n"
        "    if [[ -z $line || $line == *[[:space:]] ]]; then\n"
        "        words+=(\"\")\n"
        "    fi\n"
        "    cur=${words[-1]}\n"
        "    ((${#words[@]} > 1)) && prev=${words[-2]}\n"
        "    for word in \"${words[@]:1:${#words[@]}-2}\"; do\n"
        "        case $word in\n"
        "            -*) ;;\n"
        "            *) command=$word; break ;;\n"
        "        esac\n"
        "    done\n"
        "    COMPREPLY=()\n"
        "    case $prev in\n";
    // The values of the options that take one.
    for (const OptionRow& o : OptionTable()) {
        if (o.value.empty())
            continue;
        script += "        " + std::string(o.name) + ")\n";
        switch (o.takes) {
            case Takes::Port:
                script +=
                    "            _kven_cli_reply \"$(\"$1\" ports --names 2>/dev/null)\" ;;\n";
                break;
            case Takes::File:
                script += "            _kven_cli_files ;;\n";
                break;
            case Takes::Choice:
                script += "            _kven_cli_reply \"$(printf '%s\\n' " + Choices(o.value) +
                          ")\" ;;\n";
                break;
            case Takes::Sequence:
                script +=
                    "            _kven_cli_reply \"$(printf '%s\\n' dtr,-dtr rts,-rts "
                    "dtr,-rts,50ms,-dtr)\" ;;\n";
                break;
            default:
                script += "            ;;\n";
                break;
        }
    }
    script +=
        "        *)\n"
        "            if [[ -z $command ]]; then\n"
        "                _kven_cli_reply \"$(printf '%s\\n' ";
    for (const CommandRow& c : CommandTable())
        script += std::string(c.name) + " ";
    script +=
        "--help --version)\"\n"
        "            elif [[ $cur == -* || $command == ports ]]; then\n"
        "                case $command in\n";
    for (const CommandRow& c : CommandTable()) {
        script += "                    " + std::string(c.name) +
                  ") _kven_cli_reply \"$(printf '%s\\n' " + OptionWords(c.set) + ")\" ;;\n";
    }
    script +=
        "                esac\n"
        "            else\n"
        "                _kven_cli_files  # the image\n"
        "            fi\n"
        "            ;;\n"
        "    esac\n"
        "    if [[ $cur == *:* ]]; then\n"
        "        local colon=${cur%\"${cur##*:}\"}\n"
        "        for i in \"${!COMPREPLY[@]}\"; do\n"
        "            COMPREPLY[i]=${COMPREPLY[i]#\"$colon\"}\n"
        "        done\n"
        "    fi\n"
        "} &&\n"
        "    complete -F _kven_cli kven-cli\n";
    return script;
}

}  // namespace cli
