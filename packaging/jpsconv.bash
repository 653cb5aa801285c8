# bash completion for jpsconv. The commands and each command's options are
# read from the program's own --help, so they cannot fall behind it; an
# option written there with a placeholder (-o PATH, --log FILE, --gap
# FIRST:COUNT) takes a value, which is completed as a file name, a folder or
# not at all. Input files: JPS files for convert, KEL files for dump, qc and
# rinex, any file for detect.

# Prints the commands that "jpsconv --help" lists under "Commands:".
_jpsconv_commands() {
  local line listing=
  while IFS= read -r line; do
    if [[ $line == Commands: ]]; then
      listing=1
    elif [[ -n $listing && $line =~ ^\ +([a-z]+)\  ]]; then
      printf '%s\n' "${BASH_REMATCH[1]}"
    elif [[ -n $listing ]]; then
      return
    fi
  done < <("$1" --help 2>/dev/null)
}

# Prints one line per option that "jpsconv COMMAND --help" names: the option
# and, when a placeholder follows it after a single blank, that placeholder.
# Every command takes --help.
_jpsconv_options() {
  local line rest option value
  local pattern='(^|[][ ,(|])(--?[a-zA-Z][-a-zA-Z0-9]*)(( [A-Z][A-Za-z.:]*)?)(.*)$'
  printf '%s\n' --help
  while IFS= read -r line; do
    rest=$line
    while [[ $rest =~ $pattern ]]; do
      option=${BASH_REMATCH[2]}
      value=${BASH_REMATCH[3]# }
      rest=${BASH_REMATCH[5]}
      # "-o, --output PATH": the placeholder belongs to both names.
      if [[ -z $value && $rest =~ ^,\ (--?[a-zA-Z][-a-zA-Z0-9]*)\ ([A-Z][A-Za-z.:]*) ]]; then
        value=${BASH_REMATCH[2]}
      fi
      printf '%s %s\n' "$option" "$value"
    done
  done < <("$1" "$2" --help 2>/dev/null)
}

# Completes $cur as a file name; with an extension, only folders and files
# with it (in either case).
_jpsconv_files() {
  local cur=$1 extension=$2 name
  compopt -o filenames 2>/dev/null
  while IFS= read -r name; do
    if [[ -z $extension || -d $name || ${name,,} == *."$extension" ]]; then
      COMPREPLY+=("$name")
    fi
  done < <(compgen -f -- "$cur")
}

_jpsconv() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local program=${COMP_WORDS[0]/#\~/$HOME}
  COMPREPLY=()
  if ((COMP_CWORD == 1)); then
    mapfile -t COMPREPLY < <(compgen -W "$(_jpsconv_commands "$program") --help --version" \
                                     -- "$cur")
    return
  fi
  local command=${COMP_WORDS[1]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  # What the option before the cursor takes: 0 nothing, 1 a number or a
  # time, 2 a folder, 3 a file (a name with a dot: OUT.kel, FILE.svg).
  local option value options=() takes=0 kind
  while read -r option value; do
    [[ " ${options[*]} " == *" $option "* ]] || options+=("$option")
    [[ $option == "$prev" && -n $value ]] || continue
    case $value in
      FILE* | PATH | *.*) kind=3 ;;
      FOLDER) kind=2 ;;
      *) kind=1 ;;
    esac
    ((kind > takes)) && takes=$kind
  done < <(_jpsconv_options "$program" "$command")

  case $takes in
    3) _jpsconv_files "$cur"; return ;;
    2) compopt -o filenames 2>/dev/null
       mapfile -t COMPREPLY < <(compgen -d -- "$cur"); return ;;
    1) return ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "${options[*]}" -- "$cur")
    return
  fi
  case $command in
    convert) _jpsconv_files "$cur" jps ;;
    dump | qc | rinex) _jpsconv_files "$cur" kel ;;
    *) _jpsconv_files "$cur" ;;
  esac
}
complete -F _jpsconv jpsconv
