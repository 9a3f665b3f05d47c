#!/usr/bin/env python3
"""Writes qdp.1 from its template and the help texts that qdp itself prints.

The commands section is made from `qdp help` (the list of commands and their summaries) and
`qdp help COMMAND` (each command's text), so the manual page says what the program says.
Usage: qdp-man-page.py QDP TEMPLATE VERSION OUT
"""
import subprocess
import sys


def roff_text(line):
    text = line.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text.startswith((".", "'")) else text


def command_section(qdp, name, summary):
    usage = subprocess.run([qdp, "help", name], check=True, capture_output=True,
                           text=True).stdout.splitlines()
    lines = [".SS " + name, roff_text(summary) + ".", ".PP"]
    synopsis = usage[0].removeprefix("usage: ") if usage else ""
    lines += [".B " + roff_text(synopsis), ".PP"]
    in_block = False
    for line in usage[1:]:
        indented = line.startswith(" ")
        if indented and not in_block:
            lines += [".PP", ".nf"]
        elif not indented and in_block:
            lines += [".fi"]
        in_block = indented
        if line.strip() == "":
            if not in_block:
                lines.append(".PP")
            else:
                lines.append("")
        else:
            lines.append(roff_text(line))
    if in_block:
        lines.append(".fi")
    return lines


def main():
    qdp, template, version, out = sys.argv[1:]
    overview = subprocess.run([qdp, "help"], check=True, capture_output=True,
                              text=True).stdout.splitlines()
    commands = []
    listing = False
    for line in overview:
        if line == "commands:":
            listing = True
        elif listing and line.startswith("  "):
            name, summary = line.split(None, 1)
            commands.append((name, summary))
        elif listing:
            break
    body = []
    for name, summary in commands:
        body += command_section(qdp, name, summary)
    with open(template, encoding="utf-8") as f:
        page = f.read()
    page = page.replace("@PROJECT_VERSION@", version).replace("@COMMANDS@", "\n".join(body))
    with open(out, "w", encoding="utf-8") as f:
        f.write(page)


if __name__ == "__main__":
    main()
