#!/usr/bin/env bash
# The window on a real X server, driven as a person would: Xvfb without a window manager,
# xdotool for clicks and keys, its pixels read back from the screen.
# What the offscreen Qt tests can't see: the real window system (placement, size hints, the
# menu bar, focus, modality, closing). Usage: window_x11_test.sh HALCYONE. Exit 77 when a tool
# is missing.
set -u
for tool in xvfb-run xdotool xprop xwininfo; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
# The Debian interpreter: python3 on PATH may be another one, without python3-xlib.
py=/usr/bin/python3
"$py" -c 'import Xlib' 2>/dev/null || { echo "SKIP: python3-xlib is missing"; exit 77; }
# An X server of our own: -noreset, because by default the server resets whenever its last
# client leaves, and a client connecting meanwhile (the program, while xwininfo polls for its
# window) is refused.
if [ "${1:-}" != --on-xvfb ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -noreset" bash "$0" --on-xvfb "$@"
fi
app=$(realpath "$2")

work=$(mktemp -d)
runtime_made=""  # Qt's fallback runtime folder, when this test is what creates it
[ -e "${TMPDIR:-/tmp}/runtime-$(id -un)" ] || runtime_made="${TMPDIR:-/tmp}/runtime-$(id -un)"
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  # Without XDG_RUNTIME_DIR the sound and Qt libraries make folders of their own in /tmp.
  local link
  for link in "$work"/home/.config/pulse/*-runtime; do
    case $(readlink "$link") in /tmp/pulse-*) rmdir "$(readlink "$link")" 2>/dev/null ;; esac
  done
  [ -n "$runtime_made" ] && rmdir "$runtime_made" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
mkdir "$work/home"
cd "$work" || exit 1  # the file dialog opens in the current folder

failures=0
report() {  # report DESCRIPTION STATUS [DETAIL]
  if [ "$2" -eq 0 ]; then
    echo "ok: $1"
  else
    echo "FAILED: $1${3:+ ($3)}"
    failures=$((failures + 1))
  fi
}

# Screenshots, pixels, PNG files and the window manager's close request, over python3-xlib.
cat >"$work/x.py" <<'EOF'
import sys
from Xlib import X, display
from Xlib.protocol import event

d = display.Display()

def grab(x, y, w, h):
    img = d.screen().root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF)
    data = bytes(img.data)  # 32-bit BGRX pixels on the 24-bit screen, rows unpadded
    rgb = bytearray(w * h * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = data[2::4], data[1::4], data[0::4]
    return w, h, bytes(rgb)

class Image:
    def __init__(self, w, h, rgb):
        self.w, self.h, self.rgb = w, h, rgb
    def at(self, x, y):
        i = 3 * (y * self.w + x)
        return tuple(self.rgb[i:i + 3])

BLACK, IDLE_WHITE, IDLE_BLACK, KEYS_BACKGROUND = (0, 0, 0), (154, 169, 239), (52, 78, 199), (200, 200, 200)

def layout(left, top):
    """The frame, the keyboard's frame and idle colours, in client coordinates."""
    im = Image(*grab(left, top, 600, 360))
    at = lambda x, y: im.at(x, y)
    problems = []
    def expect(what, points, test):
        bad = [(x, y, at(x, y)) for x, y in points if not test(at(x, y))]
        if bad:
            problems.append("%s: %d pixels, first at client %s is %s" % (what, len(bad), bad[0][:2], bad[0][2]))
    frame = ([(349, y) for y in range(9, 211)] + [(550, y) for y in range(9, 211)] +
             [(x, 9) for x in range(349, 551)] + [(x, 210) for x in range(349, 551)])
    expect("preview frame not black", frame, lambda p: p == BLACK)
    expect("black left of the frame", [(348, y) for y in range(9, 211)], lambda p: p != BLACK)
    border = ([(20, y) for y in range(310, 358)] + [(558, y) for y in range(310, 358)] +
              [(x, 310) for x in range(20, 559)] + [(x, 357) for x in range(20, 559)])
    expect("keyboard frame not black", border, lambda p: p == BLACK)
    inside = [(x, y) for x in range(21, 558) for y in range(311, 357)]
    expect("keyboard colours other than the idle keys, their gaps and black", inside,
           lambda p: p in (BLACK, IDLE_WHITE, IDLE_BLACK, KEYS_BACKGROUND))
    expect("key of note 60 not idle white", [(333, 350)], lambda p: p == IDLE_WHITE)
    expect("key of note 61 not idle black", [(338, 320)], lambda p: p == IDLE_BLACK)
    return problems

def close(window_id):
    w = d.create_resource_object("window", int(window_id, 0))
    protocols = d.intern_atom("WM_PROTOCOLS")
    w.send_event(event.ClientMessage(window=w, client_type=protocols, data=(
        32, [d.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])), event_mask=0)
    d.sync()

verb, args = sys.argv[1], sys.argv[2:]
if verb == "rgb":
    print("%d %d %d" % Image(*grab(int(args[0]), int(args[1]), 1, 1)).at(0, 0))
elif verb == "layout":
    problems = layout(int(args[0]), int(args[1]))
    print("; ".join(problems))
    sys.exit(1 if problems else 0)
elif verb == "close":
    close(args[0])
EOF
x() { "$py" "$work/x.py" "$@"; }

# The topmost mapped top-level window with exactly this caption. (xdotool's search ignores
# case and misses the pop-up menus.)
window_titled() {
  local id
  for id in $(xwininfo -root -children 2>/dev/null | tac | awk -v caption="\"$1\":" '
      $1 ~ /^0x/ && index(substr($0, index($0, $1) + length($1) + 1), caption) == 1 {print $1}'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && { echo "$id"; return 0; }
  done
  return 1
}

# poll SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds or the time is up.
poll() {
  local end=$((SECONDS + $1 + 1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.05
  done
}
gone() { ! window_titled "$1" >/dev/null; }
pixel_is() { [ "$(x rgb "$1" "$2")" = "$3" ]; }
pixel_is_not() { [ "$(x rgb "$1" "$2")" != "$3" ]; }
running() { kill -0 "$app_pid" 2>/dev/null; }
ended() { ! running; }
# Waits up to SECONDS for the program to end and sets code to its exit code, or to "none"
# and stops it. (Not in a subshell: only this shell can wait for its child.)
await_exit() {  # await_exit SECONDS
  code=none
  if poll "$1" ended; then
    wait "$app_pid"
    code=$?
  else
    kill "$app_pid" 2>/dev/null
    wait "$app_pid" 2>/dev/null
  fi
  app_pid=""
}

# Client coordinates to the screen: the window's corner plus the menu bar.
win_x=0 win_y=0 win_w=0 win_h=0 menu_h=0
click() { xdotool mousemove $((win_x + $1)) $((win_y + menu_h + $2)) click 1; }
# Keys go where the X focus is, which Qt moves only when a window is shown or clicked.
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$(($1))" ]; }
# Without a window manager a window has the keyboard only after a click into it: the grey
# background right of the keyboard, where nothing reacts.
focus_main() { click 592 330 && poll 3 focused "$main"; }

for v in $(compgen -e); do
  case $v in QT_* | XDG_* | WAYLAND_DISPLAY | SESSION_MANAGER) unset "$v" ;; esac
done
export HOME="$work/home"
# Under LeakSanitizer: libdbus, which Qt's X11 platform loads, keeps a buffer to the end and
# would turn exit code 0 into 1. Leaks of our own still count.
echo "leak:libdbus-1.so" >"$work/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$work/lsan.supp"
start_window() {
  "$app" >>"$work/halcyone.log" 2>&1 &
  app_pid=$!
}

# --- 1. the window appears at the top-left and cannot be resized
start_window
started=$SECONDS
poll 10 eval 'window_titled Halcyone >/dev/null || ! running'
window_titled Halcyone >/dev/null
report "the window \"Halcyone\" appears" $? \
  "none after $((SECONDS - started)) s$(running || echo '; the program has ended')"
if ! main=$(window_titled Halcyone); then
  echo "1 failed (no window; the rest needs it)"
  sed 's/^/halcyone: /' "$work/halcyone.log"
  exit 1
fi
eval "$(xwininfo -id "$main" | awk -F: '
  /Absolute upper-left X/ {print "win_x=" $2+0} /Absolute upper-left Y/ {print "win_y=" $2+0}
  /Width/ {print "win_w=" $2+0} /Height/ {print "win_h=" $2+0}')"
[ "$win_x" -eq 0 ] && [ "$win_y" -eq 0 ]
report "it lies at the top-left corner of the screen" $? "at $win_x,$win_y"
hints=$(xprop -id "$main" WM_NORMAL_HINTS)
min=$(sed -n 's/.*minimum size: \([0-9]* by [0-9]*\).*/\1/p' <<<"$hints")
max=$(sed -n 's/.*maximum size: \([0-9]* by [0-9]*\).*/\1/p' <<<"$hints")
[ -n "$min" ] && [ "$min" = "$max" ] && [ "$min" = "$win_w by $win_h" ] && [ "$win_w" -eq 599 ]
report "it cannot be resized: minimum = maximum = its size, 599 wide" $? "min '$min', max '$max', size ${win_w}x$win_h"

# --- 2. the client area, the frame, the preview and the keyboard
menu_h=$((win_h - 405))
[ "$menu_h" -ge 10 ] && [ "$menu_h" -le 60 ]
report "the window is a menu bar and 405 pixels high" $? "menu bar $menu_h pixels high"
poll 5 pixel_is $((win_x + 349)) $((win_y + menu_h + 9)) "0 0 0"  # painted
problems=$(x layout "$win_x" $((win_y + menu_h)))
report "frame through (349, 9)-(550, 210), keyboard 539 x 48 at (20, 310) framed, idle keys" $? "$problems" start
# The frame alone can't tell a margin above the client area from a taller menu bar; the File
# menu drops down from the menu bar's bottom edge, which can.
focus_main
xdotool key alt+f
if poll 3 window_titled halcyone >/dev/null; then  # the pop-up menu is captioned as the program
  popup_y=$(xwininfo -id "$(window_titled halcyone)" | awk -F: '/Absolute upper-left Y/ {print $2+0}')
  xdotool key Escape
  poll 3 gone halcyone
  [ "$popup_y" -eq $((win_y + menu_h)) ]
  report "the menu bar ends where the client area starts (no margin)" $? \
    "the File menu drops from y = $popup_y, client area assumed at $((win_y + menu_h))"
else
  report "Alt+F opens the File menu" 1 "" alt-f
fi

# --- 3. a click on the keyboard selects the key and a second click clears it
c4=$((win_x + 333)) c4_y=$((win_y + menu_h + 350))
click 333 350
poll 3 pixel_is "$c4" "$c4_y" "255 255 255"
report "a click at (333, 350) turns the key white" $? "$(x rgb "$c4" "$c4_y")" key-selected
click 333 350
poll 3 pixel_is "$c4" "$c4_y" "154 169 239"
report "a second click turns it back" $? "$(x rgb "$c4" "$c4_y")" key-cleared

# --- 3b. the channel colour, picked with the mouse: "Color" (97, 78, 51, 14 in dialog units)
# opens the swatches; a click on the fourth puts its colour on the button, which shows black
# at start.
swatch_x=$((win_x + 184)) swatch_y=$((win_y + menu_h + 138))
click 184 138
if poll 3 window_titled halcyone >/dev/null; then
  eval "$(xwininfo -id "$(window_titled halcyone)" | awk -F: '
    /Absolute upper-left X/ {print "menu_x=" $2+0} /Absolute upper-left Y/ {print "menu_y=" $2+0}
    /Width/ {print "menu_w=" $2+0} /Height/ {print "menu_h_px=" $2+0}')"
  # Twenty items of equal height fill the menu but for its thin frame.
  xdotool mousemove $((menu_x + menu_w / 2)) $((menu_y + menu_h_px * 7 / 40)) click 1
  poll 3 gone halcyone
  poll 3 pixel_is_not "$swatch_x" "$swatch_y" "0 0 0"
  report "a click on a swatch puts its colour on the \"Color\" button" $? "$(x rgb "$swatch_x" "$swatch_y")" swatch
else
  report "\"Color\" opens the swatches" 1 "" swatch-menu
fi

# Runs a menu item by keyboard: a click into the window, Alt+mnemonic, Down N times, Return.
# Disabled items are skipped by the arrows, so reaching item N by N Downs needs every item
# before it to be enabled.
menu_item() {  # menu_item f|h N
  focus_main
  xdotool key "alt+$1"
  local i
  for ((i = 0; i < $2; i++)); do xdotool key Down; done
  xdotool key Return
}
file_dialog=""
# Answers the file dialog that menu item N of "File" opens with PATH; false without a dialog.
through_file_dialog() {  # through_file_dialog N PATH
  file_dialog=""
  menu_item f "$1"
  poll 5 window_titled "Save As" >/dev/null || return 1
  file_dialog=$(window_titled "Save As")
  file_dialog_class=$(xprop -id "$file_dialog" WM_CLASS 2>/dev/null)
  poll 3 focused "$file_dialog" || return 1
  xdotool type --delay 5 "$2"  # the name field has the focus
  xdotool key Return
  poll 5 gone "Save As"
}
size_of() { stat -c %s "$1" 2>/dev/null; }
# Files appear once written in full (renamed into place after an fsync, which can take seconds
# on a busy disk), some time after the dialog has gone.
has_size() { [ "$(size_of "$1")" = "$2" ]; }

# --- 4. the File menu by keyboard, through Qt's own file dialog
through_file_dialog 1 "$work/start" && poll 10 has_size "$work/start.mpr" 370
report "\"Save preferences...\" by keyboard: the file dialog takes a typed name, start.mpr has 370 bytes" $? \
  "dialog ${file_dialog:-missing}, size '$(size_of "$work/start.mpr")'" save-preferences
if [ -n "$file_dialog" ]; then
  grep -q '"halcyone"' <<<"$file_dialog_class"
  report "the file dialog is a window of the program itself (Qt's own, no portal)" $? "$file_dialog_class"
fi

cp "$work/start.mpr" "$work/start.copy"
head -c 370 /dev/zero >"$work/start.mpr"
through_file_dialog 1 "$work/start" && poll 10 cmp -s "$work/start.mpr" "$work/start.copy"
report "saving onto the same name replaces the file without an overwrite question" $? \
  "$(window_titled "Save As" >/dev/null && echo 'a dialog is still open')" save-again

# A modal window must swallow a click on the main window: a key clicked meanwhile stays idle,
# which the next click, after the modal window went, proves by turning it white (events arrive
# in order). The key is one that the modal window does not cover.
click_while_modal_is_ignored() {  # click_while_modal_is_ignored CAPTION KEY-TO-CLOSE
  local key_x key_y=$((win_y + menu_h + 350)) cx modal
  modal=$(window_titled "$1") || return 1
  for cx in 25 333 540; do
    key_x=$((win_x + cx))
    pixel_is "$key_x" "$key_y" "154 169 239" && break
  done
  click "$cx" 350
  poll 3 focused "$modal" || return 1
  xdotool key "$2"
  poll 3 gone "$1" || return 1
  click "$cx" 350
  poll 3 pixel_is "$key_x" "$key_y" "255 255 255" || return 1
  click "$cx" 350
  poll 3 pixel_is "$key_x" "$key_y" "154 169 239"
}
head -c 100 "$work/start.copy" >"$work/short.mpr"
through_file_dialog 2 "$work/short.mpr"
poll 5 window_titled Error >/dev/null
report "\"Load preferences...\" of a short file shows a message box \"Error\"" $? "" load-short
if window_titled Error >/dev/null; then
  click_while_modal_is_ignored Error Return
  report "the message box is modal, Return closes it, and the window works afterwards" $? "" after-error
fi

# --- 5. the About window
menu_item h 1
poll 5 window_titled About >/dev/null
report "\"&About ...\" opens the window \"About\"" $? "" about
if about=$(window_titled About); then
  xprop -id "$about" _NET_WM_STATE | grep -q _NET_WM_STATE_MODAL
  report "the About window is marked modal" $? "$(xprop -id "$about" _NET_WM_STATE)"
  click_while_modal_is_ignored About Escape
  report "Escape closes it; a click meanwhile on the window was ignored" $? "" after-about
fi

# --- 6. Compose fills the progress bar (149, 228, 243, 13 in dialog units: pixels 224..587
# across, 371..391 down).
bar_y=$((win_y + menu_h + 381))
bar_empty=$(x rgb $((win_x + 580)) "$bar_y")
click 38 380  # "Compose"
full() {  # the right end shows what the left end shows, and that is not the empty bar
  local right
  right=$(x rgb $((win_x + 580)) "$bar_y")
  [ "$right" != "$bar_empty" ] && [ "$right" = "$(x rgb $((win_x + 232)) "$bar_y")" ]
}
poll 20 full
report "Compose leaves the progress bar full" $? "right end $(x rgb $((win_x + 580)) "$bar_y")" composed

# --- 6b. "Export audio...", the fourth item of "File", through the same file dialog: the piece
# rendered into a WAV file once the progress window has gone.
is_wav() { [ "$(head -c 4 "$1" 2>/dev/null)" = RIFF ] && ! window_titled "Export audio" >/dev/null; }
through_file_dialog 3 "$work/piece.wav" && poll 60 is_wav "$work/piece.wav"
report "\"Export audio...\" by keyboard writes the piece as a WAV file" $? \
  "size '$(size_of "$work/piece.wav")'" export-audio

# --- 7. closing the window as a window manager would ends the program with exit code 0;
# so does "E&xit", the last item of "File", in a second run.
x close "$main"
await_exit 5
[ "$code" = 0 ]
report "closing the window ends the program with exit code 0" $? "exit code: $code"

start_window
if poll 10 window_titled Halcyone >/dev/null; then
  menu_item f 5
  await_exit 5
  [ "$code" = 0 ]
  report "\"E&xit\" ends the program with exit code 0" $? "exit code: $code" exit
else
  report "the window appears a second time" 1
fi

if [ "$failures" -ne 0 ]; then
  sed 's/^/halcyone: /' "$work/halcyone.log"
fi
echo "$failures failed"
[ "$failures" -eq 0 ]
