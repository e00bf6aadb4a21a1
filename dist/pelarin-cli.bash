# bash completion for pelarin-cli
_pelarin_cli() {
  local cur prev words cword
  _init_completion || return

  local commands="split list show boards names outbox library"
  local libcommands="add search show thread open export stats check recover"
  local command="" sub="" i
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      -C | --first | --list | --host | --board | --writer | --limit | --format) ((i++)) ;;
      -*) ;;
      *)
        if [[ -z $command ]]; then
          command=${words[i]}
        elif [[ $command == library && -z $sub ]]; then
          sub=${words[i]}
        fi
        ;;
    esac
  done

  case $prev in
    -C)
      _filedir -d
      return
      ;;
    --format)
      COMPREPLY=($(compgen -W "text mbox html" -- "$cur"))
      return
      ;;
    --board | --writer | --limit | --first | --host | --list)
      return
      ;;
  esac

  if [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    return
  fi

  local options="-C --help"
  case $command in
    split) options+=" --first --sort --raw" ;;
    boards | names) options+=" --list" ;;
    library)
      options+=" --host"
      case $sub in
        "")
          [[ $cur != -* ]] && { COMPREPLY=($(compgen -W "$libcommands" -- "$cur")); return; }
          ;;
        search) options+=" --board --writer --limit --count" ;;
        open) options+=" --board --writer --limit" ;;
        export) options+=" --board --writer --limit --format" ;;
        add) options+=" --raw" ;;
      esac
      ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return
  fi
  case $command in
    split | boards | names) _filedir ;;
    outbox)
      COMPREPLY=($(compgen -W "check" -- "$cur"))
      _filedir
      ;;
    library)
      case $sub in
        add) _filedir ;;
        export | recover) _filedir ;;
      esac
      ;;
  esac
} &&
  complete -F _pelarin_cli pelarin-cli
