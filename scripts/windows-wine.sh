# Sourced by scripts/test-windows.sh and scripts/mutate-windows.sh: a Wine
# server kept up for a whole run, an X display with a window manager, and the
# Windows window's live CAN tests. The caller defines pass and fail (each
# takes what failed) and stops what it started with wine_stop and
# display_stop.

# One Wine server for the whole run, so that no program meets one that is
# just shutting down; its services are started at once, with no output to
# hold open, since they outlive every program that would start them.
wine_start() { # the build's wine-run.sh, the Wine prefix
    wine_run=$1
    wine_prefix=$2
    wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
    WINEPREFIX=$wine_prefix "$wine_run" wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX=$wine_prefix "$wineserver" -w 2>/dev/null || true
    WINEPREFIX=$wine_prefix "$wineserver" -p 2>/dev/null || true
    WINEPREFIX=$wine_prefix "$wine_run" wineboot >/dev/null 2>&1 </dev/null || true
}
wine_stop() {
    [ -n "${wine_prefix:-}" ] && WINEPREFIX=$wine_prefix "$wineserver" -k 2>/dev/null || true
}

# A display of its own (Xvfb picks a free number) with openbox; sets DISPLAY.
display_start() { # a folder for the display's number
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$1/display" >/dev/null 2>&1 &
    xvfb=$!
    local i
    for i in $(seq 1 100); do [ -s "$1/display" ] && break; sleep 0.1; done
    export DISPLAY=:$(cat "$1/display")
    openbox >/dev/null 2>&1 &
    openbox=$!
    sleep 0.5
}
display_stop() {
    kill ${openbox:-} ${xvfb:-} 2>/dev/null || true
}

# Live CAN traffic in the window, with what each group needs:
#   pcan      the stand-in PCANBasic.dll's channels: listed, read, taken at
#             Connect, unplugged while read;
#   slcan     an SLCAN adapter on COM16, the last port, that hangs up;
#   discover  Find signals live on an adapter on COM5, a brake pressed three
#             times, then Stop (tests/windows/slcan_peer.py plays both adapters);
#   exports   PCANBasic.dll without CAN_Read, and without CAN_GetValue.
# Screenshots go to BUILD/live/windows-*.png (CAC_LIVE_SHOTS=DIR keeps
# copies). Needs the display and the Wine server.
live_can_tests() { # the source tree, the Windows build, a scratch folder, the groups (all when none)
    local root=$1 build=$2 live=$3 status i group
    shift 3
    local groups=("$@") functions=() peers=() ports=()
    [ ${#groups[@]} -gt 0 ] || groups=(pcan slcan discover exports)
    local tests=$build/tests/windows shots=$build/live
    local log=$root/examples/demo-drive.log
    rm -rf "$live"
    mkdir -p "$live" "$shots"
    winpath() { local path=${1//\//\\}; echo "Z:$path"; }
    local env=(CAC_LIVE_SHOTS="$(winpath "$shots")")
    for group in "${groups[@]}"; do
        case "$group" in
            pcan) functions+=(pcanChannelsListed pcanBasic pcanTakenAtConnect pcanUnplugged) ;;
            slcan)
                functions+=(slcanAdapter)
                python3 "$root/tests/windows/slcan_peer.py" "$log" "$live/received-16" \
                    "$live/seen-16" >"$live/pty-16" &
                peers+=($!) ports+=(16)
                env+=(CAC_SLCAN_PORT=16 CAC_SLCAN_SEEN="$(winpath "$live/seen-16")")
                ;;
            discover)
                functions+=(findSignalsLive)
                python3 "$root/tests/windows/slcan_peer.py" brake "$live/received-5" \
                    "$live/seen-5" >"$live/pty-5" &
                peers+=($!) ports+=(5)
                env+=(CAC_SLCAN_BRAKE_PORT=5)
                ;;
            exports) ;;
            *) fail "live_can_tests: no group $group"; return ;;
        esac
    done
    local port
    for port in "${ports[@]}"; do
        for i in $(seq 1 100); do [ -s "$live/pty-$port" ] && break; sleep 0.1; done
        ln -sfn "$(cat "$live/pty-$port")" "$wine_prefix/dosdevices/com$port"
    done
    # The results go to a file: Wine now and then loses a program's standard
    # output. A test that hangs is ended.
    run_live_test() { # name, the program, its test functions
        local name=$1 program=$2
        shift 2
        status=0
        env "${env[@]}" WINEPREFIX="$wine_prefix" timeout -k 5 "${CAC_LIVE_TIMEOUT:-180}" "$wine_run" "$program" "$@" \
            -o "$(winpath "$live/$name.log"),txt" >"$live/$name.wine.log" 2>&1 || status=$?
        grep -h '^Totals' "$live/$name.log" 2>/dev/null | sed "s/^/$name: /" || true
        if [ "$status" -eq 0 ] && grep -q '^Totals: .* 0 failed, 0 skipped' "$live/$name.log"; then
            pass
        else
            grep -v '^PASS' "$live/$name.log" 2>/dev/null | head -n 40 || true
            [ "$status" -eq 124 ] && echo "$name: ended after ${CAC_LIVE_TIMEOUT:-180} s"
            fail "live CAN traffic in the Windows window: $name ($*)"
        fi
    }
    [ ${#functions[@]} -gt 0 ] && run_live_test live "$tests/live/tst_windows_live.exe" "${functions[@]}"
    if [[ " ${groups[*]} " == *" exports "* ]]; then
        for i in without-read without-getvalue; do
            run_live_test "$i" "$tests/$i/tst_windows_pcan_$(echo $i | tr - _).exe"
        done
    fi
    for port in "${ports[@]}"; do touch "$live/seen-$port"; done # the peers end whatever the test did
    for i in "${peers[@]}"; do wait "$i" || true; done
    # Close, 500 kbit/s, open, and never a frame sent; Find signals' Stop
    # closes the channel, the preview's adapter hangs up first.
    local expected
    for port in "${ports[@]}"; do
        rm -f "$wine_prefix/dosdevices/com$port"
        expected='C\rS6\rO\r'
        [ "$port" = 5 ] && expected='C\rS6\rO\rC\r'
        if [ "$(od -An -c "$live/received-$port" 2>/dev/null | tr -d ' \n')" = "$expected" ]; then
            pass
        else
            fail "the SLCAN adapter on COM$port received $(od -An -c "$live/received-$port" 2>/dev/null | tr -s ' ')"
        fi
    done
    [ -n "${CAC_LIVE_SHOTS:-}" ] && cp "$shots"/windows-*.png "$CAC_LIVE_SHOTS"/ 2>/dev/null || true
}
