# bash completion for rdx480ctl: commands, their words, input and layout names, options.
_rdx480ctl()
{
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion || return
    else
        cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} words=("${COMP_WORDS[@]}") cword=$COMP_CWORD
    fi

    local inputs="EXT. DVI2 DVI1 HDMI2 HDMI1 VGA V2 V1"
    local layouts="1X2 2X1 1X3 3X1 1X4 4X1 2X2"
    local formats="1024x768@60Hz 1440x1440@60Hz 1280x1024@60Hz 1920x1200@60Hz 1920x1080@50Hz 1920x1080@60Hz
        2560x816@60Hz 2880x800@60Hz 3072x720@60Hz 3600x600@60Hz 1600x1344@60Hz 1200x1600@60Hz"
    local commands="status switch take take-mode switch-time pip format audio picture output-brightness
        dvi-hotplug reset mosaic raw watch schedule"
    local options="--device --id --folder --timeout --json --quiet --verbose --help --version"

    case $prev in
        --device)
            COMPREPLY=($(compgen -W "tcp: serial:/dev/ttyUSB0 serial:/dev/ttyS0" -- "$cur"))
            compopt -o nospace 2>/dev/null
            return ;;
        --folder)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        --id | --timeout | --interval)
            return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --take --all --once --inactive --interval" -- "$cur"))
        return
    fi

    # The command and its arguments, options left out.
    local args=() i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --device | --id | --folder | --timeout | --interval) ((i++)) ;;
            -*) ;;
            *) args+=("${words[i]}") ;;
        esac
    done

    local words_now=""
    case "${args[0]}" in
        "") words_now=$commands ;;
        switch) [[ ${#args[@]} -eq 1 ]] && words_now=$inputs ;;
        take-mode) [[ ${#args[@]} -eq 1 ]] && words_now="one-key pre-take" ;;
        switch-time) [[ ${#args[@]} -eq 1 ]] && words_now="0S 0.5S 1S 1.5S" ;;
        pip)
            case "${#args[@]}:${args[1]}" in
                1:*) words_now="on off input model window" ;;
                2:input) words_now=$inputs ;;
                2:model) words_now="M1 M2 M3 M4" ;;
                2:window) words_now="main sub" ;;
            esac ;;
        format) [[ ${#args[@]} -eq 1 ]] && words_now=$formats ;;
        audio) [[ ${#args[@]} -le 3 ]] && words_now=$inputs ;;
        picture)
            [[ ${#args[@]} -eq 1 ]] && words_now="brightness contrast colour reset" ;;
        dvi-hotplug) [[ ${#args[@]} -eq 1 ]] && words_now="on off" ;;
        mosaic)
            case "${#args[@]}:${args[1]}" in
                1:*) words_now="model port layout led unit auto" ;;
                2:model) words_now="M1 M2 M3 M4" ;;
                2:port) words_now="Out1 Out2 Out3 Out4" ;;
                2:layout) words_now=$layouts ;;
                2:auto) words_now="fast1 fast2" ;;
            esac ;;
        schedule)
            case "${#args[@]}:${args[1]}" in
                1:*) words_now="list next add remove enable disable" ;;
                3:add) words_now=$inputs ;;
                4:add) words_now="daily Mon-Fri Sat-Sun Mon Tue Wed Thu Fri Sat Sun" ;;
            esac ;;
    esac
    COMPREPLY=($(compgen -W "$words_now" -- "$cur"))
}
complete -F _rdx480ctl rdx480ctl
