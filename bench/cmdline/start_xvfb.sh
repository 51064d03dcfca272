# Sourced by the command-line benchmarks: builds the minimal Xlib+Xft program
# into $work/floor and starts a private Xvfb on a free display number
# (-noreset, so each client's exit does not reset it), with DISPLAY, HOME and
# XDG_CONFIG_HOME the run's own. Sets xvfb_pid for the caller's clean-up.
cc -O2 -o "$work/floor" "$here/floor.c" $(pkg-config --cflags --libs xft x11)

# A free display number; -noreset so each client's exit does not reset it.
for n in $(seq 200 399); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset +extension RANDR >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && break
  sleep 0.05
done

export DISPLAY="$display" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
unset XDG_RUNTIME_DIR
