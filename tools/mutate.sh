#!/usr/bin/env bash
# Puts small faults into the game one at a time and runs the fast suites
# (labels unit and render) on each: a fault the suites do not notice
# "survives", and wants a test. The faults are listed in tools/mutants.txt.
#
#   tools/mutate.sh [MUTANTS_FILE] [NAME_FILTER]
#
# Works on a copy of the tree in build-mutate/ (made once, kept in step with
# the tree by rsync), so the working tree is never touched. Prints each
# mutant's fate and, at the end, the survivors; the exit status is the number
# of survivors (0: every fault was caught). A developer's tool: it is not
# part of the test command.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
list=${1:-tools/mutants.txt}
filter=${2:-}
work=$top/build-mutate
copy=$work/tree
build=$work/build
jobs=$(nproc)

mkdir -p "$copy"
rsync -a --delete --exclude '/build*' --exclude '/fuzz-out' --exclude '/.git' "$top"/ "$copy"/
cmake -S "$copy" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAZIRO_BENCHMARKS=OFF >/dev/null
echo "mutate: building the unchanged tree once"
cmake --build "$build" -j"$jobs" >/dev/null

# Reads the list: blocks of "name:", "file:", "from:", "to:" lines (the rest
# of each line after the key and one space), separated by blank lines.
names=() files=() froms=() tos=()
name='' file='' from='' to=''
flush() {
  if [ -n "$name" ]; then
    if [ -z "$file" ] || [ -z "$from" ]; then
      echo "mutate: $list: mutant '$name' needs file: and from:" >&2
      exit 100
    fi
    names+=("$name") files+=("$file") froms+=("$from") tos+=("$to")
  fi
  name='' file='' from='' to=''
}
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in
    '#'*) ;;
    '') flush ;;
    name:*) name=${line#name: } ;;
    file:*) file=${line#file: } ;;
    from:*) from=${line#from: } ;;
    to:*) to=${line#to: }; [ "$line" = "to:" ] && to='' ;;
    *) echo "mutate: $list: cannot read: $line" >&2; exit 100 ;;
  esac
done < "$list"
flush

survivors=()
for i in "${!names[@]}"; do
  n=${names[$i]} f=${files[$i]}
  [ -n "$filter" ] && [[ "$n" != *"$filter"* ]] && continue
  target=$copy/$f
  saved=$work/saved.$$
  cp "$target" "$saved"
  # The fault: the one line that holds the text, changed.
  if ! python3 - "$target" "${froms[$i]}" "${tos[$i]}" <<'PY'
import sys
path, old, new = sys.argv[1:4]
text = open(path).read().split('\n')
hits = [i for i, l in enumerate(text) if old in l]
if len(hits) != 1:
    sys.stderr.write(f"{len(hits)} lines hold the text\n")
    sys.exit(1)
text[hits[0]] = text[hits[0]].replace(old, new, 1)
open(path, 'w').write('\n'.join(text))
PY
  then
    echo "mutate: $n: cannot apply to $f (the list is out of date)" >&2
    cp "$saved" "$target"; rm -f "$saved"
    survivors+=("$n (not applied)")
    continue
  fi
  fate=''
  if ! cmake --build "$build" -j"$jobs" >"$work/build.log" 2>&1; then
    fate='killed: does not build'
  else
    if ctest --test-dir "$build" -L 'unit|render' -j"$jobs" --timeout 120 --stop-on-failure \
         >"$work/ctest.log" 2>&1; then
      fate='SURVIVED'
    else
      test=$(grep -m1 -E '\*\*\*(Failed|Timeout|Exception)' "$work/ctest.log" | sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/' || true)
      fate="killed by ${test:-a failing test}"
    fi
  fi
  cp "$saved" "$target"; rm -f "$saved"
  touch "$target"  # the next build takes the file back
  printf 'mutate: %-40s %s\n' "$n" "$fate"
  [ "$fate" = SURVIVED ] && survivors+=("$n")
done

# The copy is left as it was.
cmake --build "$build" -j"$jobs" >/dev/null 2>&1 || true
echo
if [ ${#survivors[@]} -eq 0 ]; then
  echo "mutate: every fault was caught"
else
  echo "mutate: survivors (each wants a test, or a note why not):"
  printf '  %s\n' "${survivors[@]}"
fi
exit ${#survivors[@]}
