#!/usr/bin/env bash
# Keeps the documents true to the tree: every backticked token of README.md and docs/*.md that
# begins with a top-level folder of the repository (build/ and dist/ aside, which the scripts
# make) names a path that exists (a wildcard must match one); and docs/console-messages.md holds
# every text of console/console_texts.h, whole.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

documents=(README.md docs/*.md)
mapfile -t folders < <(git ls-files | grep / | cut -d/ -f1 | sort -u | grep -Evx 'build|dist')
folder_pattern=$(IFS='|'; echo "${folders[*]}" | sed 's/\./\\./g')

problems=()
checked=0
for document in "${documents[@]}"; do
    # A token is what stands between two backticks on one line; its first word is the path.
    while IFS= read -r token; do
        path=${token%% *}
        path=${path%%[),;:]}
        checked=$((checked + 1))
        # shellcheck disable=SC2086 # a wildcard is meant to expand here
        if ! compgen -G "$path" >/dev/null && [ ! -e "$path" ]; then
            problems+=("$document: \`$token\` names no path that exists")
        fi
    done < <(grep -o '`[^`]*`' "$document" | tr -d '`' | grep -E "^($folder_pattern)/" || true)
done

# The texts as the release check reads them: each L"..." literal, without its line end and
# trailing spaces; the empty ones (the line end itself, the path's indent) aside.
texts_header=console/console_texts.h
messages=docs/console-messages.md
texts=0
while IFS= read -r text; do
    texts=$((texts + 1))
    grep -qF "$text" "$messages" || problems+=("$messages: no «$text» (from $texts_header)")
done < <(grep -o 'L"[^"]*"' "$texts_header" | sed 's/^L"//; s/"$//; s/\\r\\n$//; s/ *$//' |
    grep -v '^$')

if [ ${#problems[@]} -gt 0 ]; then
    printf '== %s\n' "${problems[@]}" >&2
    exit 1
fi
echo "== The documents hold: $checked paths exist, $texts texts of $texts_header are in $messages"
