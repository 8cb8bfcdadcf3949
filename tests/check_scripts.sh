#!/usr/bin/env bash
# Usage: check_scripts.sh FOLDER
# Holds every shell script under FOLDER to shellcheck's advice, warnings and errors alike
# (shellcheck -S warning): each file named *.sh, and each whose first line starts a shell.
# In a git checkout only the files that git tracks count, so that a build folder's or a
# trial system's scripts do not. Names each script that shellcheck faults, and fails.
set -u
cd "$1" || exit 2
if git rev-parse --show-toplevel >/dev/null 2>&1 && [ "$(git rev-parse --show-prefix)" = "" ]; then
  files=$(git ls-files)
else
  files=$(find . -type f ! -path './build/*' ! -path './.git/*' | sed 's|^\./||')
fi
scripts=()
while IFS= read -r file; do
  [ -f "$file" ] && [ ! -L "$file" ] || continue
  case $file in
    *.sh) scripts+=("$file") ;;
    *) head -n 1 "$file" 2>/dev/null | grep -qE '^#!.*[/ ](ba|da)?sh( |$)' && scripts+=("$file") ;;
  esac
done <<<"$files"
[ ${#scripts[@]} -gt 0 ] || { echo "check_scripts.sh: no shell script under $1" >&2; exit 2; }
echo "${#scripts[@]} shell scripts"
shellcheck -S warning -f gcc "${scripts[@]}"
