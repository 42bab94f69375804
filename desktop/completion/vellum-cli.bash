# bash completion for vellum-cli: its options after a dash, the layouts after --format, a folder
# after --keep-in, the ways after --link, a list file after --verify, and otherwise the shell's
# own completion of files and folders.
_vellum_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    # A pattern after --mask, a list file after --verify and a digest after --check: left to the
    # shell's own completion.
    case $prev in
        --mask | --verify | --check) return 0 ;;
        --keep-in)
            COMPREPLY=($(compgen -d -- "$cur"))
            return 0
            ;;
        --link)
            COMPREPLY=($(compgen -W 'dedupe hard' -- "$cur"))
            return 0
            ;;
        --format)
            COMPREPLY=($(compgen -W 'csv tab md5sum sha1sum sha224sum sha256sum sha384sum
                                     sha512sum b2sum sfv' -- "$cur"))
            return 0
            ;;
    esac
    if [[ $cur == -* ]]; then
        local options='-crc16a -crc16b -crc16c -crc32a -crc32b --mask --format --tag --tab
                       --duplicates --keep-first --keep-in --link --progress --no-progress
                       --verify --strict --ignore-missing --quiet --status --check --help
                       --version --'
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    fi
}
complete -o bashdefault -o default -F _vellum_cli vellum-cli
