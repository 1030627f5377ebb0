# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# fish completion for cratewright: its commands, their options, packages, folders and the ids of
# recorded installs.

# The ids, from the names of the files in the data folder's records/ (one per install: its id
# and a suffix for its state), which is cheaper than reading every record.
function __cratewright_installs
    set -l data $XDG_DATA_HOME
    string match -q '/*' -- "$data"; or set data ~/.local/share
    set -l records $data/zc-cratewright/records
    for file in $records/*.journal $records/*.record $records/*.undoing
        string replace -r '^.*/(.*)\\.[^.]*$' '$1' -- $file
    end
end

set -l commands info install list uninstall folder version-check
complete -c cratewright -f
complete -c cratewright -n "not __fish_seen_subcommand_from $commands" -a info -d "Show a package's title, author, comments, version and files"
complete -c cratewright -n "not __fish_seen_subcommand_from $commands" -a install -d 'Install a package into the simulator folder, or into DIR'
complete -c cratewright -n "not __fish_seen_subcommand_from $commands" -a list -d 'List the recorded installs, newest first, by install folder'
complete -c cratewright -n "not __fish_seen_subcommand_from $commands" -a uninstall -d 'Undo a recorded install'
complete -c cratewright -n "not __fish_seen_subcommand_from $commands" -a folder -d 'Show the stored simulator folder, or check and store DIR'
complete -c cratewright -n "not __fish_seen_subcommand_from $commands" -a version-check -d 'Check online whether a newer version exists'

complete -c cratewright -s q -l quiet -d 'Print only results, questions and errors'
complete -c cratewright -l verbose -d 'Also print the system log lines on standard error'
complete -c cratewright -s h -l help -d 'Show the help'
complete -c cratewright -n "not __fish_seen_subcommand_from $commands" -s v -l version -d 'Show the version'

complete -c cratewright -n '__fish_seen_subcommand_from info install list uninstall' -l json -d 'Print one JSON object'
complete -c cratewright -n '__fish_seen_subcommand_from info install' -k -a '(__fish_complete_suffix .zcpack; __fish_complete_suffix .exe)'
complete -c cratewright -n '__fish_seen_subcommand_from install' -l to -x -a '(__fish_complete_directories)' -d 'Install into DIR'
complete -c cratewright -n '__fish_seen_subcommand_from install' -l overwrite -x -a 'ask always never' -d 'What to do with files that already exist'
complete -c cratewright -n '__fish_seen_subcommand_from install' -l ride -d 'Start the simulator on the track afterwards'
complete -c cratewright -n '__fish_seen_subcommand_from install' -l dry-run -d 'Say what the install would do to each file, and write nothing'
complete -c cratewright -n '__fish_seen_subcommand_from uninstall' -l folder -x -a '(__fish_complete_directories)' -d 'The install folder, moved on purpose, is now DIR'
complete -c cratewright -n '__fish_seen_subcommand_from uninstall' -l dry-run -d 'Say what would be done, and change nothing'
complete -c cratewright -n '__fish_seen_subcommand_from uninstall' -a '(__cratewright_installs)' -d 'Recorded install'
complete -c cratewright -n '__fish_seen_subcommand_from folder' -l not-simulator -d 'Accept any existing folder'
complete -c cratewright -n '__fish_seen_subcommand_from folder' -x -a '(__fish_complete_directories)'
