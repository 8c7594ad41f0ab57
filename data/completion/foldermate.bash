# bash completion for foldermate-scan, foldermate-sync and foldermate-settings.
# Installed once under each program's name; whichever is loaded first defines all three.

_foldermate_scan_options="--filter --reverse --min --min-unit --max --max-unit --hidden --no-content
  --no-subfolders --src-adjust --dst-adjust --margin --null --status --threads --help --version"

# Completes the value of a scan option; returns 1 when prev takes no value.
_foldermate_scan_value()
{
    local cur=$1 prev=$2 formats=$3
    case $prev in
        --min-unit|--max-unit)
            COMPREPLY=($(compgen -W "bytes kb mb" -- "$cur")); return 0 ;;
        --format)
            COMPREPLY=($(compgen -W "$formats" -- "$cur")); return 0 ;;
        --filter|--min|--max|--src-adjust|--dst-adjust|--margin|--threads)
            COMPREPLY=(); return 0 ;;
    esac
    return 1
}

_foldermate_scan()
{
    local cur prev words cword
    _init_completion || return
    _foldermate_scan_value "$cur" "$prev" "tsv json" && return
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$_foldermate_scan_options --format" -- "$cur"))
    else
        _filedir -d
    fi
}

_foldermate_sync()
{
    local cur prev words cword
    _init_completion || return
    _foldermate_scan_value "$cur" "$prev" "json" && return
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$_foldermate_scan_options --format --copy-missing --update --trash-extra
            --copy-back --update-back --dry-run --no-keep-replaced --permanent-when-no-trash
            --allow-empty-root" -- "$cur"))
    else
        _filedir -d
    fi
}

_foldermate_settings()
{
    local cur prev words cword
    _init_completion || return
    case $prev in
        --root) COMPREPLY=(); return ;;
        get|set) COMPREPLY=($(compgen -W "string integer bool float binary" -- "$cur")); return ;;
    esac
    local i command=
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --root) ((i++)) ;;
            -*) ;;
            *) command=${words[i]}; break ;;
        esac
    done
    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--root --help" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "export get set list delete" -- "$cur"))
        fi
    elif [[ $command == export && $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--all" -- "$cur"))
    fi
}

complete -F _foldermate_scan foldermate-scan
complete -F _foldermate_sync foldermate-sync
complete -F _foldermate_settings foldermate-settings
