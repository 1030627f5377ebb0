# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for cratewright: its commands, their options, packages, folders and the ids
# of recorded installs.

# The ids of the recorded installs, from the names of the files in the data folder's records/
# (one per install: its id and a suffix for its state), which is cheaper than reading every
# record through `cratewright list`.
_cratewright_installs()
{
    local data=${XDG_DATA_HOME-} file
    [[ $data == /* ]] || data=$HOME/.local/share
    for file in "$data"/zc-cratewright/records/*.{journal,record,undoing}; do
        [[ -f $file ]] || continue
        file=${file##*/}
        echo "${file%.*}"
    done
}

_cratewright()
{
    local cur prev words cword
    _init_completion -s || return

    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            info | install | list | uninstall | folder | version-check)
                command=${words[i]}
                break
                ;;
        esac
    done

    case $prev in
        --to)
            _filedir -d
            return
            ;;
        --overwrite)
            COMPREPLY=($(compgen -W 'ask always never' -- "$cur"))
            return
            ;;
    esac

    local options="--quiet --verbose --help"
    case $command in
        "") options+=" --version" ;;
        info) options+=" --json" ;;
        install) options+=" --to --overwrite= --ride --dry-run --json" ;;
        list) options+=" --json" ;;
        uninstall) options+=" --folder --dry-run --json" ;;
        folder) options+=" --not-simulator" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    case $command in
        "") COMPREPLY=($(compgen -W 'info install list uninstall folder version-check' -- "$cur")) ;;
        info | install) _filedir '@(zcpack|ZCPACK|exe|EXE)' ;;
        uninstall) COMPREPLY=($(compgen -W "$(_cratewright_installs)" -- "$cur")) ;;
        folder) _filedir -d ;;
    esac
} && complete -F _cratewright cratewright
