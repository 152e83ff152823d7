# The Windows stage's checks of the dialogs, sourced by scripts/wine-test.sh while zarnetcalc.dll
# is registered: the Windows sample host's scripted mode on the cases of tests/demo_scripts.txt
# (the ones the Linux suite runs its own host on), a screenshot, one run typed through the X
# server with xdotool, and the About box. Uses wine-test.sh's pass, fail, winpath, $work, $build
# and $bin. Every wait polls, and every wait and program is bounded in time.
# shellcheck disable=SC2154  # build, work, tests and bin are wine-test.sh's

demo=$PWD/$build/demo/win32/zarnetcalc-demo.exe

# Under a loaded X server Wine very occasionally fails to map the first window of a run: a
# scripted-mode run that printed no line at all is run once more, once in the whole stage.
demo_retries=1

# demo_run TAG ARGUMENT...: the sample host, its output in $work/TAG.out and TAG.err; returns
# its exit status.
demo_run() {
    local tag=$1 status
    shift
    while :; do
        status=0
        timeout 60 wine "$demo" "$@" >"$work/$tag.raw" 2>"$work/$tag.err" || status=$?
        tr -d '\r' <"$work/$tag.raw" >"$work/$tag.out"
        if [ ! -s "$work/$tag.out" ] && [ "$demo_retries" -gt 0 ]; then
            demo_retries=$((demo_retries - 1))
            echo "RETRY $tag: no output line at all (exit status $status); once more"
            continue
        fi
        return "$status"
    done
}

# demo_case NAME KEYS [OPTION...]: one case of the shared table, its expected lines in
# $work/case.expected; the options (--clipboard TEXT, --start NUMBER) go to the host as they are.
demo_case() {
    local name=$1 keys=$2 tag status=0
    shift 2
    tag=demo-$(printf '%s' "$name" | tr -c 'A-Za-z0-9' '-' | cut -c1-40)
    demo_run "$tag" --keys "$keys" "$@" || status=$?
    if [ "$status" -ne 0 ]; then
        fail "scripted mode, $name: exit status $status"
        cat "$work/$tag.out" "$work/$tag.err"
    elif ! diff -u "$work/case.expected" "$work/$tag.out"; then
        fail "scripted mode, $name: output differs (above)"
    elif [ -s "$work/$tag.err" ]; then
        # Neither the host nor the component says anything on standard error in a normal run.
        fail "scripted mode, $name: standard error is not empty:"
        cat "$work/$tag.err"
    else
        pass "scripted mode, $name"
    fi
}

# Every case of tests/demo_scripts.txt: "name:", "keys:", optional "clipboard:" and "start:",
# expected lines with "\t" for a tab.
demo_cases() {
    local line name="" keys="" cases=0
    local options=()
    while IFS= read -r line || [ -n "$line" ]; do
        case $line in
            '#'*) ;;
            '' | 'name: '*)
                if [ -n "$name" ]; then
                    demo_case "$name" "$keys" "${options[@]}"
                    cases=$((cases + 1))
                fi
                name=""
                if [ -n "$line" ]; then
                    name=${line#name: }
                    keys=""
                    options=()
                    : >"$work/case.expected"
                fi
                ;;
            'keys:'*)
                keys=${line#keys:}
                keys=${keys# }
                ;;
            'clipboard: '*) options+=(--clipboard "${line#clipboard: }") ;;
            'start: '*) options+=(--start "${line#start: }") ;;
            *) printf '%s\n' "${line//\\t/$'\t'}" >>"$work/case.expected" ;;
        esac
    done <tests/demo_scripts.txt
    if [ -n "$name" ]; then
        demo_case "$name" "$keys" "${options[@]}"
        cases=$((cases + 1))
    fi
    if [ "$cases" -eq 0 ]; then
        fail "scripted mode: no case found in tests/demo_scripts.txt"
    fi
}

# An unknown token ends the host with 2 before anything is shown or printed.
demo_unknown_token() {
    local status=0
    timeout 60 wine "$demo" --keys "1 foo 2" >"$work/unknown.out" 2>"$work/unknown.err" || status=$?
    if [ "$status" -eq 2 ] && [ ! -s "$work/unknown.out" ] && grep -q foo "$work/unknown.err"; then
        pass "scripted mode, an unknown token: exit status 2, nothing shown"
    else
        fail "scripted mode, an unknown token: exit status $status"
        cat "$work/unknown.out" "$work/unknown.err"
    fi
}

# --screenshot writes a PNG of the calculator, here at 192 DPI: the dialog's 2532 by 3612 twips
# client area is then 338 by 482 pixels. With ZC_WINE_SCREENSHOT=FILE.png the picture is kept
# (it is README's docs/calculator-wine.png).
demo_screenshot() {
    local png=$work/calculator.png status=0 size
    timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f \
        >/dev/null
    demo_run screenshot --keys "FIX 2 1 2 3 4 . 5 +" --screenshot "$(winpath "$png")" ||
        status=$?
    # A long negative result: its whole text, sign first, lies right of the indicators.
    local long=$work/long.png ink
    demo_run long --keys "1 - 1 2 3 4 5 6 7 8 9 0 . 1 2 3 4 5 =" --screenshot "$(winpath "$long")" ||
        true
    ink=$(python3 tests/win32/displayink.py "$long" 192 2>&1) || true
    if [[ $ink =~ ^ink\ from\ column\ ([0-9]+),\ indicators\ to\ column\ ([0-9]+)$ ]] &&
        [ "${BASH_REMATCH[1]}" -gt $((BASH_REMATCH[2] + 2)) ] &&
        grep -q $'^=\t-1234567889.12345\t$' "$work/long.out"; then
        pass "the display at 192 DPI: -1234567889.12345 whole, right of the indicators ($ink)"
    else
        fail "the display at 192 DPI: $ink"
        cat "$work/long.out"
    fi
    timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f \
        >/dev/null
    # The width and height of the PNG's header, as four-byte numbers.
    size=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{
        printf "%dx%d", (($1 * 256 + $2) * 256 + $3) * 256 + $4, (($5 * 256 + $6) * 256 + $7) * 256 + $8
    }') || true
    if [ "$status" -eq 0 ] && [ "$(head -c 4 "$png" 2>/dev/null | tail -c 3)" = PNG ] &&
        [ "$size" = 338x482 ]; then
        pass "scripted mode, --screenshot at 192 DPI: a $size PNG"
        if [ -n "${ZC_WINE_SCREENSHOT:-}" ]; then
            cp "$png" "$ZC_WINE_SCREENSHOT"
            echo "Wrote $ZC_WINE_SCREENSHOT"
        fi
    else
        fail "scripted mode, --screenshot at 192 DPI: exit status $status, a ${size:-missing} picture"
        cat "$work/screenshot.err"
    fi
}

# wait_for_window PATTERN: prints the id of the visible window named PATTERN once there is one.
wait_for_window() {
    local id
    for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}
wait_for_no_window() {
    for _ in $(seq 200); do
        if ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}
# wait_for_lines FILE N: until FILE holds N lines.
wait_for_lines() {
    for _ in $(seq 200); do
        if [ "$(tr -d '\r' <"$1" | grep -c .)" -ge "$2" ]; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# The interactive host typed at through the X server, so that the keys reach the calculator
# through Wine's own keyboard input: the host's default button opens it; Alt+F4 is refused;
# 5, Shift+8 (a "*", so no 8), 3, Enter and F2 give 15; Enter on the host opens it anew, and Esc
# cancels; Alt+F4 closes the host. There is no window manager: the X focus is set as one would.
xdotool_session() {
    local out=$work/host.out host calc pid status=0
    timeout 90 wine "$demo" >"$out" 2>"$work/host.err" &
    pid=$!
    {
        host=$(wait_for_window '^ZarnetCalc demo$') &&
            timeout 10 xdotool windowfocus --sync "$host" &&
            xdotool key Return &&
            calc=$(wait_for_window '^Calculator$') &&
            timeout 10 xdotool windowfocus --sync "$calc" &&
            xdotool key alt+F4 5 shift+8 3 Return F2 &&
            wait_for_lines "$out" 1 &&
            wait_for_no_window '^Calculator$' &&
            timeout 10 xdotool windowfocus --sync "$host" &&
            xdotool key Return &&
            calc=$(wait_for_window '^Calculator$') &&
            timeout 10 xdotool windowfocus --sync "$calc" &&
            xdotool key 4 Escape &&
            wait_for_lines "$out" 2 &&
            wait_for_no_window '^Calculator$' &&
            timeout 10 xdotool windowfocus --sync "$host" &&
            xdotool key alt+F4
    } || echo "xdotool: the session stopped before its end" >>"$work/host.err"
    wait "$pid" || status=$?
    tr -d '\r' <"$out"
    cat "$work/host.err" >&2
    return "$status"
}

dialog_checks() {
    echo "== the dialogs: the sample host's scripted mode on the shared cases"
    demo_cases
    demo_unknown_token
    demo_screenshot

    echo "== the dialogs: typed through the X server"
    printf '%s\n' "Result=15 Cancelled=False ErrorOccurred=False" \
        "Result=0 Cancelled=True ErrorOccurred=False" >"$work/xdotool.expected"
    check xdotool "$work/xdotool.expected" xdotool_session

    echo "== the dialogs: the About box"
    # Neither registry value: the message. Then the second lookup, a folder holding the tool
    # (a copy of the check program, in a folder whose name has a space): started.
    timeout 60 wine reg delete 'HKLM\SOFTWARE\Microsoft\Shared Tools\MSINFO' /v PATH /f \
        >/dev/null 2>&1 || true
    timeout 60 wine reg delete 'HKLM\SOFTWARE\Microsoft\Shared Tools Location' /v MSINFO /f \
        >/dev/null 2>&1 || true
    check about-unavailable "$tests/aboutbox-unavailable.expected" \
        wine "$bin/zc-aboutbox.exe" unavailable
    mkdir -p "$work/system info"
    cp "$bin/zc-aboutbox.exe" "$work/system info/MSINFO32.EXE"
    timeout 60 wine reg add 'HKLM\SOFTWARE\Microsoft\Shared Tools Location' /v MSINFO \
        /d "$(winpath "$work/system info")" /f >/dev/null
    check about-started "$tests/aboutbox-started.expected" wine "$bin/zc-aboutbox.exe" started
    timeout 60 wine reg delete 'HKLM\SOFTWARE\Microsoft\Shared Tools Location' /v MSINFO /f \
        >/dev/null
}
