#!/usr/bin/env bash
# The documents cannot fall behind the program: every option the built
# program's --help lists has its own entry in the manual page's options and
# its place in the synopsis, and every key and pad button the README names
# (its bold keys, the first column of its pad table) is in the manual's
# controls. A new option or key fails here until the manual page has it.
set -euo pipefail
src=${KAZIRO_SOURCE_DIR:?}
help=$("${KAZIRO_BINARY:?}" --help)
manual=$(MANWIDTH=80 man -l "$src/dist/kaziro.6")
HELP=$help MANUAL=$manual python3 - "$src/README.md" <<'EOF'
import os, re, sys

def section(text, name):
    """The lines of a top-level section of the rendered page."""
    match = re.search(r"^%s\n(.*?)(?=^[A-Z][A-Z ]+\n|\Z)" % re.escape(name), text, re.M | re.S)
    if not match:
        sys.exit("the manual page has no section %s" % name)
    return match.group(1)

def has_word(text, word):
    # Names of one or two characters (P, F1, A) must match exactly; longer
    # ones may start a sentence ("Left stick" in "The left stick").
    flags = 0 if len(word) <= 2 else re.I
    return re.search(r"(?<![\w+-])%s(?![\w+-])" % re.escape(word), text, flags) is not None

manual = os.environ["MANUAL"]
options = re.findall(r"^  (--[a-z][a-z-]*)", os.environ["HELP"], re.M)
if len(options) < 10:
    sys.exit("--help lists only %d options: %s" % (len(options), options))
entries, synopsis, controls = section(manual, "OPTIONS"), section(manual, "SYNOPSIS"), section(manual, "CONTROLS")
failures = []
for option in options:
    if not re.search(r"^ {7}%s( |\[|$)" % re.escape(option), entries, re.M):
        failures.append("the manual page's options have no entry for " + option)
    if not has_word(synopsis, option):
        failures.append("the manual page's synopsis lacks " + option)

readme = open(sys.argv[1], encoding="utf-8").read()
# Keys: the bold key names (P, F11, Alt+Enter, Escape, Digits 1 to 9...).
keys = set(re.findall(r"\*\*(?:Digits )?(1 to 9|F\d{0,2}|[A-Z]|Alt\+\w+|Escape)\*\*", readme))
# Pad buttons: the first column of the table headed "| Button |".
table = re.search(r"^\| Button \|.*\n\|[-| ]+\|\n((?:\|.*\n)+)", readme, re.M)
if not table:
    sys.exit("the README has no pad table")
buttons = set()
for row in table.group(1).splitlines():
    cell = row.split("|")[1]
    cell = re.sub(r"\b(held|then|together|for a second|and)\b", ",", cell)
    buttons.update(name.strip() for name in re.split(r"[,()]", cell) if name.strip())
if len(keys) < 6 or len(buttons) < 8:
    sys.exit("too few keys (%s) or buttons (%s) found in the README" % (sorted(keys), sorted(buttons)))
for name in sorted(keys | buttons):
    if not has_word(controls, name):
        failures.append("the manual page's controls do not name " + name)

if failures:
    sys.exit("\n".join(failures))
print("%d options, %d keys and %d pad buttons: all in the manual page"
      % (len(options), len(keys), len(buttons)))
EOF
