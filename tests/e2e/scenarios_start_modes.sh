# Start modes: pass-through starts the game launcher beside the program and ends at once with
# code 0; "--update" shows the splash window until it is closed.

POLICY_KEY='SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System'

# Pass-through started from another working directory: the launcher beside the program is found
# and inherits the working directory; no parameters reach it.
scenario_pass_through_from_another_directory() {
    install_fake_launcher
    mkdir -p "$SCENARIO_DIR/elsewhere"
    cd "$SCENARIO_DIR/elsewhere" || return 1
    launch_veyra ""
    wait_for_exit 20
    ((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE"
    wait_for_launcher 10 || fail "the game launcher was not started"
    [[ $(launcher_starts) == 1 ]] || fail "started $(launcher_starts) times"
    local cwd expected
    cwd=$(launcher_field cwd)
    expected=$(windows_path "$SCENARIO_DIR/elsewhere")
    [[ ${cwd%\\} == "$expected" ]] || fail "launcher's working directory '$cwd', expected '$expected'"
    [[ $(launcher_field tail) == "[]" ]] || fail "parameters reached the launcher: $(launcher_field tail)"
    [[ $(launcher_field show) == 1 ]] || fail "show command $(launcher_field show), expected SW_SHOWNORMAL"
}

# Arguments that are not exactly "--update" first: each one is pass-through.
scenario_pass_through_for_near_misses() {
    install_fake_launcher
    cd "$GAME" || return 1
    local arguments
    for arguments in '--UPDATE' '-update' 'x --update' '--update2' '"--update "'; do
        rm -f "$GAME/launcher-record.txt"
        launch_veyra "$arguments"
        wait_for_exit 20
        ((EXIT_CODE == 0)) || fail "[$arguments] exit code $EXIT_CODE"
        wait_for_launcher 10 || fail "[$arguments] the game launcher was not started"
    done
}

# With UAC on the launcher is started through the elevation verb (Wine grants it silently).
scenario_pass_through_with_uac_on() {
    install_fake_launcher
    wine_set_hklm_dword "$POLICY_KEY" EnableLUA 1
    cd "$GAME" || return 1
    launch_veyra ""
    wait_for_exit 20
    ((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE"
    wait_for_launcher 10 || fail "the game launcher was not started"
}

# No launcher beside the program: nothing is started, nothing is written, exit code 0.
scenario_pass_through_without_launcher() {
    cd "$GAME" || return 1
    launch_veyra ""
    wait_for_exit 20
    ((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE"
    local files
    files=$(ls -A "$GAME")
    [[ $files == "VeyraLauncher.exe" ]] || fail "the game folder changed: $files"
}

# Update mode for each way of writing the argument: the splash window appears, a close request
# (Alt+F4) ends the program with code 0, and the game launcher is not started.
check_update_window() {
    local arguments=$1 shot=$2
    serve_slowly
    launch_veyra "$arguments"
    local window
    window=$(wait_for_window _VeyraLauncher 20) || fail "[$arguments] no splash window"
    local geometry
    geometry=$(xdotool getwindowgeometry "$window")
    [[ $geometry == *"Geometry: 300x284"* ]] || fail "[$arguments] window geometry: $geometry"
    # Centred by the work area's size on the 1280 x 1024 screen.
    [[ $geometry == *"Position: 490,370 "* ]] || fail "[$arguments] window position: $geometry"
    sleep 0.5
    screenshot "$shot"
    kill -0 "$VEYRA_PID" 2>/dev/null || fail "[$arguments] the program ended by itself"
    close_with_alt_f4 "$window" 10
    [[ $(launcher_starts) == 0 ]] || fail "[$arguments] the game launcher was started"
}

scenario_update_mode_shows_window_until_closed() {
    install_fake_launcher
    cd "$GAME" || return 1
    check_update_window '--update' update-mode
}

scenario_update_mode_quoted_argument() {
    install_fake_launcher
    cd "$GAME" || return 1
    check_update_window '"--update"' update-mode-quoted
}

scenario_update_mode_after_empty_quotes() {
    install_fake_launcher
    cd "$GAME" || return 1
    check_update_window '"" --update' update-mode-empty-quotes
}

# A UAC policy value of the wrong type cannot be read: the start fails, silently, with code 0.
scenario_pass_through_with_unreadable_uac_policy() {
    install_fake_launcher
    "$VEYRA_WINE" reg add "HKLM\\$POLICY_KEY" /v EnableLUA /t REG_SZ /d 1 /f >/dev/null 2>&1
    wine_settle
    cd "$GAME" || return 1
    launch_veyra ""
    wait_for_exit 20
    ((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE"
    sleep 1
    [[ $(launcher_starts) == 0 ]] || fail "the game launcher was started"
}

# A left-button press on the window drags it with the mouse.
scenario_update_mode_window_follows_a_drag() {
    install_fake_launcher
    serve_slowly
    cd "$GAME" || return 1
    launch_veyra '--update'
    local window
    window=$(wait_for_window _VeyraLauncher 20) || fail "no splash window"
    sleep 0.5
    xdotool mousemove 640 500 mousedown 1
    sleep 0.3
    for step in 1 2 3 4 5; do
        xdotool mousemove $((640 + step * 20)) $((500 + step * 10))
        sleep 0.1
    done
    xdotool mouseup 1
    sleep 0.5
    local geometry
    geometry=$(xdotool getwindowgeometry "$window")
    [[ $geometry == *"Position: 590,420 "* ]] || fail "after the drag: $geometry"
    screenshot update-mode-dragged
    close_with_alt_f4 "" 10
}

# Pass-through shows no window: from before its start until it has ended, no window is mapped on
# the (private) screen, and it still starts the game launcher with exit code 0. Every map of a
# top-level window is an event on the root window, so even a window shown for a moment is seen.
scenario_pass_through_shows_no_window() {
    install_fake_launcher
    cd "$GAME" || return 1
    local events="$SCENARIO_DIR/root-events.txt"
    # Bounded, so that a scenario ended early leaves nothing behind.
    timeout 60 stdbuf -oL xev -root -event substructure >"$events" 2>&1 &
    local xev=$!
    sleep 0.5
    launch_veyra ""
    wait_for_exit 20
    sleep 0.3
    kill -0 "$xev" 2>/dev/null || fail "xev ended early: $(head -c 300 "$events")"
    kill "$xev"
    wait "$xev" 2>/dev/null
    grep -q 'CreateNotify' "$events" || fail "no window creation was seen at all: nothing was checked"
    local mapped
    mapped=$(grep -A1 '^MapNotify' "$events" | grep -o 'event 0x[0-9a-f]*, window 0x[0-9a-f]*' |
        sed 's/.* //' | sort -u | paste -sd' ')
    [[ -z $mapped ]] || fail "windows were shown: $mapped"
    ((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE"
    wait_for_launcher 10 || fail "the game launcher was not started"
}
