# bash completion for pelarin-cli
_pelarin_cli() {
  local cur prev words cword
  _init_completion || return

  local commands="split list show boards names outbox library"
  local libcommands="add search show thread open export stats check recover read unread mark unmark mute unmute muted saved state"
  local command="" sub="" i
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      -C | --first | --list | --host | --board | --writer | --limit | --format | --saved | --sort) ((i++)) ;;
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
    --sort)
      COMPREPLY=($(compgen -W "order relevance" -- "$cur"))
      return
      ;;
    --board | --writer | --limit | --first | --host | --list | --saved)
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
        search) options+=" --board --writer --limit --count --snippet --sort --saved --muted" ;;
        open) options+=" --board --writer --limit --saved --muted" ;;
        export) options+=" --board --writer --limit --format --saved --muted" ;;
        saved) options+=" --board --sort" ;;
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
        mute | unmute) [[ $prev == "$sub" ]] && COMPREPLY=($(compgen -W "thread writer" -- "$cur")) ;;
        saved) [[ $prev == "$sub" ]] && COMPREPLY=($(compgen -W "list add remove" -- "$cur")) ;;
        state) if [[ $prev == "$sub" ]]; then COMPREPLY=($(compgen -W "export import" -- "$cur")); else _filedir; fi ;;
      esac
      ;;
  esac
} &&
  complete -F _pelarin_cli pelarin-cli
