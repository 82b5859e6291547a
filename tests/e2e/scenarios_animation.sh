# The logo's animation on screen: it moves inside its animated square and nowhere else while the
# update check runs, and it stands still once a failure has been shown. Uses the helpers of the
# translucency and update scenarios (all scenario files are sourced together).

COMPARE_SHOTS="/usr/bin/python3 $root/tests/e2e/compare_screenshots.py"

# The logo's frames 1 to 37 cover 29 x 28 pixels at (68, 38) of the logo, which lies at (60, 56)
# of the window: prints that square's screen rectangle for the window at ($1, $2).
animated_square() { echo "$(($1 + 60 + 68)) $(($2 + 56 + 38)) 29 28"; }

# Prints the frame that the screenshot $1 shows, for the window at ($2, $3). When the window
# does not show its pictures with one of the logo's frames, prints why and returns 1.
logo_frame_of() {
    local verdict
    if ! verdict=$($CHECK_SHOT "$E2E_ARTIFACTS/$1.png" "$2" "$3"); then
        echo "screenshot $1: $verdict"
        return 1
    fi
    sed -n 's/.*logo_frame=\([0-9]*\).*/\1/p' <<<"$verdict"
}

# Two screenshots 200 ms apart while the check waits for the slow server: they differ inside the
# logo's animated square and are the same everywhere else, and each shows the window with one
# frame of the logo, a different one each.
scenario_logo_animates_inside_its_square_only() {
    start_update_window
    local position x y
    position=$(window_position "$SPLASH")
    read -r x y <<<"$position"
    screenshot logo-animating-1
    sleep 0.2
    screenshot logo-animating-2
    [[ $(status_text) == 'Checking Launcher for update...' ]] || fail "the check is over: $(status_text)"
    local counts
    counts=$($COMPARE_SHOTS "$E2E_ARTIFACTS/logo-animating-1.png" "$E2E_ARTIFACTS/logo-animating-2.png" \
        $(animated_square "$x" "$y")) || fail "comparing the screenshots failed: $counts"
    [[ $counts == *"outside=0" ]] || fail "the screen changed outside the logo's square: $counts"
    [[ $counts != "inside=0 "* ]] || fail "the logo did not move: $counts"
    local first second
    first=$(logo_frame_of logo-animating-1 "$x" "$y") || fail "$first"
    second=$(logo_frame_of logo-animating-2 "$x" "$y") || fail "$second"
    [[ $first != "$second" ]] || fail "both screenshots show frame $first"
    close_update_window
}

# The server answers 404: "Validation failed, please try again!" shows and the logo stops. Until
# the program ends three seconds later, screenshots show the same frame.
scenario_logo_stands_still_after_a_failure() {
    prepare_update
    serve_version_file ''
    remove_version_file
    cd "$GAME" || fail "no game folder"
    launch_veyra '--update'
    local window x y
    window=$(wait_for_window _VeyraLauncher 20) || fail "no splash window"
    read -r x y <<<"$(window_position "$window")"
    wait_for_status 'Validation failed, please try again!' 20
    sleep 0.2
    screenshot logo-stopped-1
    sleep 0.6
    screenshot logo-stopped-2
    kill -0 "$VEYRA_PID" 2>/dev/null || fail "the program ended before the second screenshot"
    expect_timed_end
    local counts
    counts=$($COMPARE_SHOTS "$E2E_ARTIFACTS/logo-stopped-1.png" "$E2E_ARTIFACTS/logo-stopped-2.png" \
        $(animated_square "$x" "$y")) || fail "comparing the screenshots failed: $counts"
    [[ $counts == "inside=0 outside=0" ]] || fail "the screen changed after the failure: $counts"
    local first second
    first=$(logo_frame_of logo-stopped-1 "$x" "$y") || fail "$first"
    second=$(logo_frame_of logo-stopped-2 "$x" "$y") || fail "$second"
    [[ $first == "$second" ]] || fail "frames $first and $second"
}
