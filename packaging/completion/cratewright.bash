# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for cratewright: its commands, their options, packages and folders.

_cratewright()
{
    local cur prev words cword
    _init_completion -s || return

    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            info | install | folder | version-check)
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
        install) options+=" --to --overwrite= --ride --json" ;;
        folder) options+=" --not-simulator" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    case $command in
        "") COMPREPLY=($(compgen -W 'info install folder version-check' -- "$cur")) ;;
        info | install) _filedir '@(zcpack|ZCPACK|exe|EXE)' ;;
        folder) _filedir -d ;;
    esac
} && complete -F _cratewright cratewright
