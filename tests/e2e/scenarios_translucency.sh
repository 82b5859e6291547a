# The translucent splash window: cut out from its background picture, its components on a layer
# above it, dragged by any visible pixel. The screen beneath is white (Xvfb -wr). Wine shows
# partial alpha unblended (no compositor), so screenshots treat alpha as on or off.

CHECK_SHOT="/usr/bin/python3 $root/tests/e2e/check_splash_screenshot.py"

# Prints "X Y" of the X window $1.
window_position() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$X $Y"
}

# Prints the X window ids of the splash window and of its control layer, "SPLASH LAYER": the
# layer is the program's other visible 300 x 284 window, and it has no title.
splash_and_layer() {
    local splash layer id
    splash=$(wait_for_window _VeyraLauncher 20) || return 1
    for id in $(xdotool search --onlyvisible --classname '^veyralauncher\.exe$' 2>/dev/null); do
        [[ $id == "$splash" ]] && continue
        [[ -z $(xdotool getwindowname "$id") ]] || continue
        [[ $(xdotool getwindowgeometry "$id") == *"Geometry: 300x284"* ]] || continue
        layer=$id
    done
    [[ -n ${layer:-} ]] || return 1
    echo "$splash $layer"
}

# Presses the left button at ($1, $2), moves by ($3, $4) in five steps, releases.
drag() {
    local x=$1 y=$2 dx=$3 dy=$4 step
    xdotool mousemove "$x" "$y" mousedown 1
    sleep 0.3
    for step in 1 2 3 4 5; do
        xdotool mousemove $((x + dx * step / 5)) $((y + dy * step / 5))
        sleep 0.1
    done
    xdotool mouseup 1
    sleep 0.5
}

start_update_window() {
    install_fake_launcher
    cd "$GAME" || return 1
    serve_slowly
    launch_veyra '--update'
    read -r SPLASH LAYER < <(splash_and_layer) || fail "no splash window and control layer"
    [[ -n ${LAYER:-} ]] || fail "no control layer beside the splash window"
    sleep 0.5
}

close_update_window() { close_with_alt_f4 "" 10; }

# The window shows its picture cut out from the white screen, the components over it.
scenario_translucent_window_is_cut_out_from_its_picture() {
    start_update_window
    local position
    position=$(window_position "$SPLASH")
    [[ $position == "490 370" ]] || fail "splash window at $position"
    [[ $(window_position "$LAYER") == "$position" ]] || fail "layer at $(window_position "$LAYER")"
    screenshot translucent-window
    local verdict
    verdict=$($CHECK_SHOT "$E2E_ARTIFACTS/translucent-window.png" 490 370) ||
        fail "screenshot: $verdict"
    close_update_window
}

# A drag that starts on LOGO, on INFO, on DESC_LOGO or on a plain background pixel moves both
# windows by the same offset, and the picture with its components follows whole.
scenario_translucent_window_drags_from_any_visible_pixel() {
    start_update_window
    local x=490 y=370 row name px py dx dy
    # Where the press starts (window coordinates) and by how much the mouse moves.
    for row in "LOGO 150 100 40 30" "INFO 20 214 -60 25" "DESC_LOGO 150 170 35 -45" \
        "background 20 260 -25 -20"; do
        read -r name px py dx dy <<<"$row"
        drag $((x + px)) $((y + py)) "$dx" "$dy"
        x=$((x + dx))
        y=$((y + dy))
        [[ $(window_position "$SPLASH") == "$x $y" ]] ||
            fail "after the drag from $name: splash window at $(window_position "$SPLASH"), want $x $y"
        [[ $(window_position "$LAYER") == "$x $y" ]] ||
            fail "after the drag from $name: layer at $(window_position "$LAYER"), want $x $y"
    done
    screenshot translucent-window-dragged
    local verdict
    verdict=$($CHECK_SHOT "$E2E_ARTIFACTS/translucent-window-dragged.png" "$x" "$y") ||
        fail "screenshot after the drags: $verdict"
    close_update_window
}

# A press where the picture's alpha is 0 goes to what lies beneath: no drag happens.
scenario_translucent_window_lets_presses_through_where_cut_out() {
    start_update_window
    local corner cx cy
    for corner in "0 0" "299 0" "0 283" "299 283"; do
        read -r cx cy <<<"$corner"
        drag $((490 + cx)) $((370 + cy)) 60 40
        [[ $(window_position "$SPLASH") == "490 370" ]] ||
            fail "a press at the corner ($cx,$cy) moved the window to $(window_position "$SPLASH")"
        [[ $(window_position "$LAYER") == "490 370" ]] ||
            fail "a press at the corner ($cx,$cy) moved the layer to $(window_position "$LAYER")"
    done
    # The window still drags from a visible pixel afterwards.
    drag 640 470 30 20
    [[ $(window_position "$SPLASH") == "520 390" ]] ||
        fail "no drag from a visible pixel: $(window_position "$SPLASH")"
    close_update_window
}
