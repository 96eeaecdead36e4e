# Bash completion for gconvert, loaded by bash-completion the first time gconvert is completed.
_gconvert()
{
    # shellcheck disable=SC2034  # words and cword are filled in by _init_completion, kept local here
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        -o | --output-dir)
            _filedir -d
            return
            ;;
        --files0-from)
            # "-" reads the names from standard input.
            [[ -z $cur || $cur == - ]] && COMPREPLY=(-)
            _filedir
            return
            ;;
        -h | --help | --version)
            return
            ;;
    esac
    # --option=value of an option that takes no value: nothing fits.
    $split && return

    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '-o --output-dir -f --force -r --recursive
            --files0-from -n --dry-run -v --verbose --show --json --verify -h --help --version' -- "$cur")
        return
    fi
    # Measurement files, and folders: those that hold them, and those -r converts as a whole.
    _filedir G
} &&
    complete -F _gconvert gconvert
