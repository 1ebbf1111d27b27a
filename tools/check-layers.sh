#!/usr/bin/env bash
# Holds the code to its layers. Each folder's library line in CMakeLists.txt,
#   zorvet_library(<name> <folder> USES <libraries> LINKS <libraries>)
# says which folders it may use (USES, with what those may use in turn) and
# which it links. This fails, naming file and line, on
#   - an include of a folder outside what USES allows,
#   - an include of a folder the library does not link, or a linked folder
#     that nothing includes (the links are the real dependencies),
#   - a folder with code that has no library line, or a tests/<name> folder
#     without a library of that name.
# A folder's tests (tests/<name>) may use what the folder may use, and the
# test helpers of those folders. bench/ and fuzz/ sit on top of everything.
set -euo pipefail
cd "$(dirname "$0")/.."

errors=0
fail() {
  echo "check-layers: $*" >&2
  errors=$((errors + 1))
}

declare -A dir_of uses_of links_of
names=()
while IFS=: read -r line_no text; do
  if [[ $text != *")"* ]]; then
    fail "CMakeLists.txt:$line_no: keep each zorvet_library call on one line"
    continue
  fi
  args=${text#*zorvet_library(}
  args=${args%%)*}
  read -ra words <<<"$args"
  name=${words[0]}
  dir_of[$name]=${words[1]}
  uses_of[$name]=""
  links_of[$name]=""
  mode=""
  for word in "${words[@]:2}"; do
    case $word in
      USES | LINKS) mode=$word ;;
      *)
        if [[ $mode == USES ]]; then
          uses_of[$name]+=" $word"
        elif [[ $mode == LINKS ]]; then
          links_of[$name]+=" $word"
        fi
        ;;
    esac
  done
  names+=("$name")
done < <(grep -nE '^[[:space:]]*zorvet_library\(' CMakeLists.txt)
((${#names[@]})) || { echo "check-layers: no zorvet_library lines in CMakeLists.txt" >&2; exit 1; }

# The libraries a library may use: its USES and, in turn, theirs.
declare -A allowed_of
for name in "${names[@]}"; do
  seen=" " todo=(${uses_of[$name]})
  while ((${#todo[@]})); do
    next=${todo[0]}
    todo=("${todo[@]:1}")
    [[ $seen == *" $next "* ]] && continue
    seen+="$next "
    todo+=(${uses_of[$next]:-})
  done
  allowed_of[$name]=$seen
done

# Sets `found` to the library whose folder holds `path` (a path from the
# repository root), or to nothing.
library_at() {
  local name
  found=""
  for name in "${names[@]}"; do
    if [[ $1 == "${dir_of[$name]}/"* ]]; then
      found=$name
      return
    fi
  done
}

# Whether a path from the repository root names one of its own folders.
is_ours() {
  local top=${1%%/*}
  [[ $1 == */* && -d $top && $top != .* ]]
}

sources_in() { find "$1" -type f \( -name '*.h' -o -name '*.cpp' \) | sort; }

# Checks every include of the files under `dir`. `self` is the library they
# belong to; `tests` is set for a test folder. Leaves in `included` the other
# libraries included, each once, between blanks.
check_includes() {
  local self=$1 dir=$2 tests=$3 file line_no path
  included=" "
  while IFS=: read -r file line_no path; do
    [[ $path =~ include[[:space:]]*[\<\"]([^\>\"]+) ]] || continue
    path=${BASH_REMATCH[1]}
    if [[ $path == *..* ]]; then
      fail "$file:$line_no: includes $path: write includes from the repository root"
      continue
    fi
    is_ours "$path" || continue
    if [[ -n $tests && $path == tests/* ]]; then
      found=${path#tests/}
      found=${found%%/*}
      [[ -n ${dir_of[$found]:-} ]] || found=""
    else
      library_at "$path"
    fi
    if [[ -z $found ]]; then
      fail "$file:$line_no: includes $path, which is in no declared library folder"
    elif [[ $found != "$self" && ${allowed_of[$self]} != *" $found "* ]]; then
      fail "$file:$line_no: includes $path, but $self may not use $found (USES in CMakeLists.txt)"
    elif [[ $found != "$self" && $included != *" $found "* ]]; then
      included+="$found "
    fi
  done < <(sources_in "$dir" | { if [[ -n $tests ]]; then without_screen_tests; else cat; fi; } |
    xargs -r grep -nHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' || true)
}

# The SDL screen tests are a program of their own, declared in CMakeLists.txt
# beside the SDL display and the demonstration window they drive.
without_screen_tests() { grep -v '/Sdl[^/]*\.cpp$' || true; }

checked=0
for name in "${names[@]}"; do
  dir=${dir_of[$name]}
  if [[ ! -d $dir ]]; then
    fail "$name: its folder $dir/ does not exist"
    continue
  fi
  check_includes "$name" "$dir" ""
  for target in $included; do
    [[ "${links_of[$name]} " == *" $target "* ]] ||
      fail "$name includes $target but does not link it (LINKS in CMakeLists.txt)"
  done
  for target in ${links_of[$name]}; do
    [[ -n ${dir_of[$target]:-} ]] || continue # an outside library
    [[ $included == *" $target "* ]] ||
      fail "$name links $target but includes nothing of it (LINKS in CMakeLists.txt)"
  done
  if [[ -d tests/$name ]]; then
    allowed_of[$name]+="$name "
    check_includes "$name" "tests/$name" yes
  fi
  checked=$((checked + 1))
done

# Every folder with code has its library line; every test folder its library.
declared=" ${names[*]} "
for dir in */ platform/*/ tests/*/; do
  dir=${dir%/}
  case $dir in
    tests | bench | fuzz | tools | platform | demo) continue ;;
    # The Oracle stand-in is no library of the program: its tests are
    # declared beside it, in oracle/standin/CMakeLists.txt.
    tests/standin) continue ;;
  esac
  [[ -e $dir/CMakeCache.txt ]] && continue # a build tree
  if [[ $dir == tests/* ]]; then
    [[ $declared == *" ${dir#tests/} "* ]] ||
      fail "$dir/ tests no declared library: name the folder after the library it tests"
  else
    library_at "$dir/"
    if [[ -z $found && -n $(sources_in "$dir") ]]; then
      fail "$dir/ holds code but has no zorvet_library line in CMakeLists.txt"
    fi
  fi
done

if ((errors)); then
  echo "check-layers: $errors problem(s)" >&2
  exit 1
fi
echo "layers: $checked libraries include only what they may use and link what they include"
