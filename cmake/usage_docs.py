#!/usr/bin/env python3
"""Makes a program's man page and, for a program with commands, its bash, zsh and fish
completions, all from the program's usage file (the format is described at the top of
src/cli/usage.txt). The program prints the same file for --help, so the three cannot drift
apart.

usage_docs.py USAGE_FILE --program NAME [--man OUT.gz --section N --version V]
              [--bash OUT] [--zsh OUT] [--fish OUT]
"""

import argparse
import gzip
import re
import sys

HEADING = re.compile(r"^\S.*[:：]$")
LABELLED = re.compile(r"^([A-Za-z][A-Za-z ]*):\s*(\S.*)$")
ENTRY = re.compile(r"^  (\S.*?)(?: {2,}(\S.*))?$")
OPTION = re.compile(r"^--[a-z][a-z0-9-]*$")
METAVAR = re.compile(r"^[A-Z][A-Z0-9_]*(?:\.[a-z]+)?$")


class Section:
    def __init__(self, title):
        self.title = title
        self.blocks = []  # ("text", [lines]) or ("entry", [synopsis, description])

    def add_text(self, line, new_paragraph=False):
        if new_paragraph or not self.blocks or self.blocks[-1][0] != "text":
            self.blocks.append(("text", []))
        self.blocks[-1][1].append(line)

    def entries(self):
        return [b[1] for b in self.blocks if b[0] == "entry"]


def parse(path):
    with open(path, encoding="utf-8") as f:
        lines = [line.rstrip("\n") for line in f if not line.startswith("#")]
    split = lines.index("[man]") if "[man]" in lines else len(lines)
    synopsis, help_sections, man_sections = [], [], []
    paragraph_break = False
    for number, line in enumerate(lines):
        in_man = number > split
        if number == split:
            continue
        sections = man_sections if in_man else help_sections
        if not line.strip():
            paragraph_break = True
            continue
        if not in_man and not help_sections and not HEADING.match(line):
            synopsis.append(line.strip())
        elif line.startswith(" "):
            if not sections:
                raise SystemExit(f"{path}: an entry before any heading: {line!r}")
            entry = ENTRY.match(line)
            last = sections[-1].blocks[-1] if sections[-1].blocks else None
            if entry:
                sections[-1].blocks.append(("entry", [entry.group(1), entry.group(2) or ""]))
            elif last and last[0] == "entry":
                last[1][1] = (last[1][1] + " " + line.strip()).strip()
            else:
                raise SystemExit(f"{path}: a continuation without an entry: {line!r}")
        elif HEADING.match(line):
            sections.append(Section(line.rstrip(":：").strip()))
        elif not in_man and LABELLED.match(line):
            label, text = LABELLED.match(line).groups()
            sections.append(Section(label))
            sections[-1].add_text(text)
        elif sections:
            sections[-1].add_text(line, paragraph_break)
        else:
            raise SystemExit(f"{path}: text before any heading: {line!r}")
        paragraph_break = False
    return synopsis, help_sections, man_sections


# ---- man page ------------------------------------------------------------------------------


def roff_text(text):
    text = text.replace("\\", "\\e")
    # A dash that starts a word is part of an option's name or a minus sign, never a hyphen; so
    # are the dashes inside an option's name.
    text = re.sub(r"(?<![\w-])--?\w[\w-]*", lambda m: m.group(0).replace("-", "\\-"), text)
    text = re.sub(r"(?<![\w\\-])-(?![\w-])", r"\\-", text)
    # groff breaks lines only at spaces: let Chinese text break after its punctuation too.
    text = re.sub(r"([，。；：、）])(?=\S)", "\\1\\\\:", text)
    if text.startswith((".", "'")):
        text = "\\&" + text
    return text


def roff_synopsis(text, first_bold=False):
    def token(match):
        word = match.group(0)
        if OPTION.match(word) or (first_bold and match.start() == 0):
            return "\\fB" + roff_text(word) + "\\fR"
        if METAVAR.match(word):
            return "\\fI" + word + "\\fR"
        return roff_text(word)

    return re.sub(r"[^\s\[\]|…]+", token, text)


def man_page(program, section, version, synopsis, help_sections, man_sections):
    out = ["'\\\" -*- coding: UTF-8 -*-",
           f'.TH {program.upper()} {section} "" "Sweepora {version}" "Sweepora"',
           # Left-aligned: justifying Chinese text spreads its few spaces wide.
           ".ad l"]
    by_title = {s.title.upper(): s for s in man_sections}
    name = by_title.get("NAME")
    if name is None:
        raise SystemExit(f"{program}: the man part has no NAME section")
    out += [".SH NAME", roff_text(" ".join(name.blocks[0][1]))]
    out.append(".SH SYNOPSIS")
    for line in synopsis:
        # The synopsis without its label ("usage:", "用法："), from the program's name on.
        if program not in line:
            raise SystemExit(f"{program}: a synopsis line without the program's name: {line!r}")
        rest = line[line.index(program) + len(program):].strip()
        out += [".HP", "\\fB" + roff_text(program) + "\\fR " + roff_synopsis(rest)]
    ordered = [s for s in man_sections if s.title.upper() == "DESCRIPTION"]
    ordered += help_sections
    ordered += [s for s in man_sections if s.title.upper() not in ("NAME", "DESCRIPTION")]
    for s in ordered:
        out.append(".SH " + (s.title.upper() if s.title.isascii() else s.title))
        for kind, content in s.blocks:
            if kind == "text":
                out += [".PP"] + [roff_text(line) for line in content]
            else:
                synopsis_text, description = content
                out += [".TP", roff_synopsis(synopsis_text, first_bold=True), roff_text(description)]
    return "\n".join(out) + "\n"


# ---- completions ---------------------------------------------------------------------------


def tokens(synopsis):
    return re.sub(r"[\[\]|…]", " ", synopsis).split()


def completion_kind(metavar):
    base = metavar.split(".")[0]
    if base == "DIR":
        return "dir"
    if base in ("PATH", "FILE"):
        return "file"
    return "none"


class Option:
    def __init__(self, name, metavar="", description=""):
        self.name, self.metavar, self.description = name, metavar, description

    @property
    def kind(self):
        return completion_kind(self.metavar) if self.metavar else None


class Command:
    def __init__(self, synopsis, description):
        words = tokens(synopsis)
        self.name, self.description = words[0], description
        self.options, self.literals, self.positional = [], [], None
        i = 1
        while i < len(words):
            word = words[i]
            if OPTION.match(word):
                metavar = words[i + 1] if i + 1 < len(words) and METAVAR.match(words[i + 1]) else ""
                self.options.append(Option(word, metavar))
                i += 2 if metavar else 1
                continue
            if METAVAR.match(word):
                kind = completion_kind(word)
                if self.positional in (None, "none"):
                    self.positional = kind
            else:
                self.literals.append(word)
            i += 1


def cli_model(synopsis, help_sections):
    described = {}
    commands = []
    for s in help_sections:
        for syn, description in s.entries():
            if syn.startswith("-"):
                words = syn.split()
                metavar = words[1] if len(words) > 1 and METAVAR.match(words[1]) else ""
                described[words[0]] = Option(words[0], metavar, description)
            else:
                commands.append(Command(syn, description))
    usage = tokens(" ".join(synopsis))
    before, after = [], []
    if "COMMAND" not in usage:
        raise SystemExit("the synopsis names no COMMAND")
    for i, word in enumerate(usage):
        if OPTION.match(word):
            (before if i < usage.index("COMMAND") else after).append(word)
    global_options = [described.get(n, Option(n)) for n in before]
    global_options += [o for n, o in described.items() if n not in before and n not in after]
    after_options = [described.get(n, Option(n)) for n in after]
    return commands, global_options, after_options


def with_after(command, after_options):
    """The command's own options, then those that go after any command."""
    own = [o.name for o in command.options]
    return command.options + [o for o in after_options if o.name not in own]


def sh_words(items):
    return " ".join(items)


def bash_completion(program, commands, global_options, after_options):
    function = "_" + re.sub(r"\W", "_", program)
    value_options = {}
    for o in global_options + [o for c in commands for o in c.options]:
        if o.metavar:
            # One option name may take different values in different commands: complete nothing
            # special unless all agree.
            value_options[o.name] = o.kind if value_options.get(o.name, o.kind) == o.kind else "none"
    global_values = [o.name for o in global_options if o.metavar]
    by_kind = {}
    for name, kind in value_options.items():
        by_kind.setdefault(kind, []).append(name)
    lines = [
        f"# bash completion for {program}, made by the build from its usage file.",
        f"{function}()",
        "{",
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}",
        '    # "--option=VALUE" arrives as three words: "--option", "=", "VALUE".',
        "    if [[ $cur == = ]]; then",
        "        cur=",
        "    elif [[ $prev == = && COMP_CWORD -ge 2 ]]; then",
        "        prev=${COMP_WORDS[COMP_CWORD-2]}",
        "    fi",
        "    COMPREPLY=()",
        "    case $prev in",
    ]
    for kind, names in sorted(by_kind.items()):
        action = {"dir": "compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -d -- \"$cur\")",
                  "file": "compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")",
                  "none": ":"}[kind]
        lines.append(f"        {'|'.join(sorted(names))}) {action}; return ;;")
    lines += [
        "    esac",
        "    local i command= word",
        "    for ((i = 1; i < COMP_CWORD; i++)); do",
        "        word=${COMP_WORDS[i]}",
        "        case $word in",
    ]
    if global_values:
        lines.append(f"            {'|'.join(global_values)}) [[ ${{COMP_WORDS[i+1]}} == = ]] && ((i++)); ((i++)) ;;")
    lines += [
        "            -*) ;;",
        "            *) command=$word; break ;;",
        "        esac",
        "    done",
        "    local words= positional=",
        "    case $command in",
        f"        '') if [[ $cur == -* ]]; then words=\"{sh_words(o.name for o in global_options)}\"; "
        f"else words=\"{sh_words(c.name for c in commands)}\"; fi ;;",
    ]
    for c in commands:
        body = f'words="{sh_words(o.name for o in with_after(c, after_options))}"'
        if c.literals:
            literals = "|".join(c.literals)
            body += (f"; if [[ \" ${{COMP_WORDS[*]:i+1:COMP_CWORD-i-1}} \" =~ \\ ({literals})\\  ]]; then "
                     f"positional={c.positional or 'none'}; else words+=\" {sh_words(c.literals)}\"; fi")
        elif c.positional:
            body += f"; positional={c.positional}"
        lines.append(f"        {c.name}) {body} ;;")
    lines += [
        "    esac",
        "    # Options only once the word starts with a dash.",
        "    local filtered=",
        "    for word in $words; do [[ $cur == -* || $word != -* ]] && filtered+=\" $word\"; done",
        '    mapfile -t COMPREPLY < <(compgen -W "$filtered" -- "$cur")',
        "    if [[ $cur != -* ]]; then",
        "        case $positional in",
        '            dir) compopt -o filenames 2>/dev/null; mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -d -- "$cur") ;;',
        '            file) compopt -o filenames 2>/dev/null; mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -f -- "$cur") ;;',
        "        esac",
        "    fi",
        "}",
        f"complete -F {function} {program}",
    ]
    return "\n".join(lines) + "\n"


def zsh_quote(text):
    return text.replace("'", "'\\''")


def zsh_argument(o, exclusive=False):
    description = o.description.replace("\\", "\\\\").replace("[", "\\[").replace("]", "\\]")
    head = ("(- *)" if exclusive else "") + o.name + ("=" if o.metavar else "")
    argument = head + (f"[{description}]" if description else "")
    if o.metavar:
        action = {"dir": "_files -/", "file": "_files", "none": " "}[o.kind]
        argument += f":{o.metavar.lower()}:{action}"
    return "'" + zsh_quote(argument) + "'"


def zsh_completion(program, commands, global_options, after_options):
    function = "_" + re.sub(r"\W", "_", program)
    lines = [
        f"#compdef {program}",
        f"# zsh completion for {program}, made by the build from its usage file.",
        "",
        f"{function}() {{",
        "  local curcontext=$curcontext state line ret=1",
        "  local -a commands",
        "  commands=(",
    ]
    for c in commands:
        lines.append("    '" + zsh_quote(c.name.replace(":", "\\:") + ":" + c.description) + "'")
    lines += ["  )", "  _arguments -C \\"]
    for o in global_options:
        lines.append(f"    {zsh_argument(o, o.name in ('--help', '--version'))} \\")
    lines += [
        "    '1:command:->command' \\",
        "    '*::argument:->argument' && ret=0",
        "  case $state in",
        f"    command) _describe -t commands '{program} command' commands && ret=0 ;;",
        "    argument)",
        "      case $words[1] in",
    ]
    for c in commands:
        arguments_of_command = [zsh_argument(o) for o in with_after(c, after_options)]
        if c.literals:
            arguments_of_command.append("'1:action:(" + " ".join(c.literals) + ")'")
            if c.positional and c.positional != "none":
                arguments_of_command.append("'2:path:_files" + (" -/" if c.positional == "dir" else "") + "'")
        elif c.positional == "dir":
            arguments_of_command.append("'*:folder:_files -/'")
        elif c.positional == "file":
            arguments_of_command.append("'*:file:_files'")
        lines.append(f"        {c.name}) _arguments {' '.join(arguments_of_command)} && ret=0 ;;")
    lines += ["      esac ;;", "  esac", "  return ret", "}", "", f'{function} "$@"']
    return "\n".join(lines) + "\n"


def fish_quote(text):
    return "'" + text.replace("\\", "\\\\").replace("'", "\\'") + "'"


def fish_option(program, condition, o):
    line = f"complete -c {program} -n {fish_quote(condition)} -l {o.name[2:]}"
    if o.metavar:
        line += {"dir": " -x -a '(__fish_complete_directories)'", "file": " -r -F", "none": " -x"}[o.kind]
    if o.description:
        line += " -d " + fish_quote(o.description)
    return line


def fish_completion(program, commands, global_options, after_options):
    names = " ".join(c.name for c in commands)
    none_seen = f"not __fish_seen_subcommand_from {names}"
    lines = [f"# fish completion for {program}, made by the build from its usage file.",
             f"complete -c {program} -f"]
    for o in global_options:
        lines.append(fish_option(program, none_seen, o))
    for c in commands:
        lines.append(f"complete -c {program} -n {fish_quote(none_seen)} -a {c.name} -d {fish_quote(c.description)}")
    for c in commands:
        seen = f"__fish_seen_subcommand_from {c.name}"
        for o in with_after(c, after_options):
            lines.append(fish_option(program, seen, o))
        positional = {"dir": "-x -a '(__fish_complete_directories)'", "file": "-F"}.get(c.positional or "none")
        if c.literals:
            literals = " ".join(c.literals)
            lines.append(f"complete -c {program} -n {fish_quote(seen + '; and not __fish_seen_subcommand_from ' + literals)}"
                         f" -a {fish_quote(literals)}")
            if positional:
                lines.append(f"complete -c {program} -n {fish_quote(seen + '; and __fish_seen_subcommand_from ' + literals)}"
                             f" {positional}")
        elif positional:
            lines.append(f"complete -c {program} -n {fish_quote(seen)} {positional}")
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("usage")
    parser.add_argument("--program", required=True)
    parser.add_argument("--man")
    parser.add_argument("--section", default="1")
    parser.add_argument("--version", default="")
    parser.add_argument("--bash")
    parser.add_argument("--zsh")
    parser.add_argument("--fish")
    args = parser.parse_args()

    synopsis, help_sections, man_sections = parse(args.usage)
    if args.man:
        text = man_page(args.program, args.section, args.version, synopsis, help_sections, man_sections)
        # No name and no time in the header, so that the same page compresses to the same bytes.
        with open(args.man, "wb") as raw, gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=0,
                                                        compresslevel=9) as f:
            f.write(text.encode("utf-8"))
    if args.bash or args.zsh or args.fish:
        model = cli_model(synopsis, help_sections)
        for path, make in ((args.bash, bash_completion), (args.zsh, zsh_completion), (args.fish, fish_completion)):
            if path:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(make(args.program, *model))


if __name__ == "__main__":
    sys.exit(main())
