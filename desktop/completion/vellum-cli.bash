# bash completion for vellum-cli: its options after a dash, a list file after --verify, and
# otherwise the shell's own completion of files and folders.
_vellum_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    # A pattern after --mask and a list file after --verify: left to the shell's own completion.
    case $prev in
        --mask | --verify) return 0 ;;
        --format)
            COMPREPLY=($(compgen -W 'csv tab md5sum sfv' -- "$cur"))
            return 0
            ;;
    esac
    if [[ $cur == -* ]]; then
        local options='-crc16a -crc16b -crc16c -crc32a -crc32b --mask --format --tab
                       --duplicates --keep-first --progress --no-progress --verify --help
                       --version --'
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    fi
}
complete -o bashdefault -o default -F _vellum_cli vellum-cli
