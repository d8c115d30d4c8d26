# SPDX-License-Identifier: GPL-3.0-or-later

"""A real Varnel under a real X server: what the end-to-end checks, the window benchmark,
the offline proof and the robustness runs share.

`pin_fonts()` shows them only the fonts the tests are pinned to, `enter_xvfb()` runs the
calling script again inside `xvfb-run` and `dbus-run-session` (an X server and a session
bus of its own), and `Session` gives each run a throw-away home, configuration and runtime
folder, starts `varnel` in it, finds its windows, drives them with xdotool and takes
screenshots with ImageMagick's `import`. Every wait has a limit.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SCREEN = (1400, 900)
WINDOW = (1100, 700)  # the main window's default size


class Failure(Exception):
    """A check that did not hold: what was expected, in words."""


def require_tools(*tools):
    missing = [tool for tool in tools if shutil.which(tool) is None]
    if missing:
        print("skipped: not installed: " + " ".join(missing))
        sys.exit(77)


def pin_fonts(build):
    """Shows every process started from here only the fonts the tests are pinned to (the
    build tree's test-fonts/fonts.conf, as CTest does), unless FONTCONFIG_FILE already names
    a configuration."""
    if os.environ.get("FONTCONFIG_FILE"):
        return
    config = os.path.join(os.path.abspath(build), "test-fonts", "fonts.conf")
    if not os.path.isfile(config):
        print(f"{config} is missing: configure the tree first", file=sys.stderr)
        sys.exit(2)
    os.environ["FONTCONFIG_FILE"] = config


def enter_xvfb(script, argv):
    """Runs `script argv` again under Xvfb with a private session bus, unless this is that run."""
    if os.environ.get("VARNEL_X_SESSION"):
        return
    require_tools("Xvfb", "xdotool", "import", "convert", "dbus-run-session")
    env = dict(os.environ, VARNEL_X_SESSION="1")
    for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"):
        env.pop(name, None)
    # The server picks a free display itself and tells it on a pipe (no race with other
    # servers starting at the same time, as xvfb-run -a has).
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
                               "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        display = pipe.readline().strip()
    if not display:
        print("Xvfb did not start", file=sys.stderr)
        sys.exit(2)
    env["DISPLAY"] = ":" + display
    env.pop("XAUTHORITY", None)
    try:
        code = subprocess.run(["dbus-run-session", "--", sys.executable, script] + argv, env=env).returncode
    finally:
        server.terminate()
        server.wait()
    sys.exit(code)


def wait_until(predicate, limit, what, step=0.05):
    """The predicate's first true value within `limit` seconds; Failure naming `what` otherwise."""
    deadline = time.monotonic() + limit
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(what)
        time.sleep(step)


def xdotool(*args, check=True):
    result = subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True)
    if check and result.returncode != 0:
        raise Failure(f"xdotool {' '.join(map(str, args))}: {result.stderr.strip()}")
    return result.stdout


class Session:
    """A throw-away home for Varnel processes on the current display."""

    def __init__(self, varnel, keep=None):
        self.varnel = varnel
        self.root = tempfile.mkdtemp(prefix="varnel-x-")
        self.home = os.path.join(self.root, "home")
        self.config = os.path.join(self.root, "config")
        self.runtime = os.path.join(self.root, "runtime")
        self.files = os.path.join(self.root, "files")
        for folder in (self.home, self.config, self.files):
            os.makedirs(folder)
        os.mkdir(self.runtime, 0o700)
        self.env = dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=self.config, XDG_RUNTIME_DIR=self.runtime,
                        TMPDIR=os.path.join(self.root, "tmp"))
        os.makedirs(self.env["TMPDIR"])
        if "ASAN_OPTIONS" in self.env:
            # Under the sanitizers, leaks are the unit tests' business: at the end of a whole
            # program run, a report of what the libraries (fontconfig, libcups) keep would
            # change the exit code these runs check.
            self.env["ASAN_OPTIONS"] += ":detect_leaks=0"
        self.processes = []

    def close(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        shutil.rmtree(self.root, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    @property
    def settings_file(self):
        return os.path.join(self.config, "Varnel", "Varnel.ini")

    def write_settings(self, **values):
        os.makedirs(os.path.dirname(self.settings_file), exist_ok=True)
        with open(self.settings_file, "w") as out:
            out.write("[General]\n" + "".join(f"{k}={v}\n" for k, v in values.items()))

    def settings(self):
        try:
            with open(self.settings_file) as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def file(self, name, content):
        path = os.path.join(self.files, name)
        with open(path, "wb") as out:
            out.write(content if isinstance(content, bytes) else content.encode())
        return path

    def path(self, name):
        return os.path.join(self.files, name)

    def start(self, *args, prefix=(), stdout=subprocess.DEVNULL, stderr=None):
        """Starts `varnel ARGS` (behind `prefix`, say strace) in the files folder."""
        process = subprocess.Popen(list(prefix) + [self.varnel] + list(args), cwd=self.files, env=self.env,
                                   stdout=stdout, stderr=stderr, text=True)
        self.processes.append(process)
        return process

    def run(self, *args, limit=60):
        """Runs `varnel ARGS` to its end (a hand-over to the running one); its exit code."""
        return subprocess.run([self.varnel] + list(args), cwd=self.files, env=self.env, timeout=limit,
                              stdout=subprocess.DEVNULL).returncode


def windows():
    """The visible windows of Varnel processes: {id: title}."""
    ids = xdotool("search", "--onlyvisible", "--class", "^varnel$", check=False).split()
    found = {}
    for window in ids:
        name = subprocess.run(["xdotool", "getwindowname", window], capture_output=True, text=True)
        if name.returncode == 0:
            found[window] = name.stdout.rstrip("\n")
    return found


def wait_for_window(pattern, limit=30, pid=None):
    """The id of a visible Varnel window whose title matches the regular expression."""
    def find():
        for window, title in windows().items():
            if re.search(pattern, title) and (pid is None or window_pid(window) == pid):
                return window
        return None
    return wait_until(find, limit, f"no window titled /{pattern}/ (windows: {list(windows().values())})")


def window_pid(window):
    out = xdotool("getwindowpid", window, check=False).strip()
    return int(out) if out.isdigit() else None


def title(window):
    return xdotool("getwindowname", window).rstrip("\n")


def focus(window):
    xdotool("windowfocus", "--sync", window)


def key(window, *keys, delay=None):
    focus(window)
    args = ["key", "--clearmodifiers"] + (["--delay", delay] if delay is not None else []) + list(keys)
    xdotool(*args)


def type_into(window, text):
    """Types `text` into the focused field of `window`, once it has been drawn (the dialog
    puts its focus in the field as it shows) and has the keyboard."""
    wait_until_still(window)
    focus(window)
    xdotool("type", "--delay", 5, text)


def click(window, x, y, button=1):
    xdotool("mousemove", "--window", window, x, y, "click", button)
    park_pointer()


def park_pointer():
    """Moves the pointer off every window, so that no hover shows in a screenshot."""
    xdotool("mousemove", SCREEN[0] - 1, SCREEN[1] - 1)


def screenshot(window, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run(["import", "-window", str(window), path], check=True, capture_output=True)
    return path


def settled_screenshot(window, path, limit=20):
    """A screenshot once two taken 150 ms apart agree (animations, late repaints done); the
    last one taken when they still differ after `limit` seconds (the comparison that
    follows says how)."""
    previous = None
    deadline = time.monotonic() + limit
    while True:
        time.sleep(0.15)
        screenshot(window, path + ".new.png")
        if previous is not None and differing_share(previous, path + ".new.png", 0) == 0:
            os.replace(path + ".new.png", path)
            os.remove(previous)
            return path
        if previous:
            os.remove(previous)
        previous = path + ".previous.png"
        os.replace(path + ".new.png", previous)
        if time.monotonic() > deadline:
            os.replace(previous, path)
            return path


def wait_until_still(window, limit=20):
    """Returns once two screenshots of `window` taken 150 ms apart agree: it is drawn and
    done with its animations. Failure after `limit` seconds."""
    with tempfile.TemporaryDirectory(prefix="varnel-still-") as folder:
        taken = []

        def still():
            taken.append(screenshot(window, os.path.join(folder, f"{len(taken) % 2}.png")))
            return len(taken) > 1 and differing_share(taken[-2], taken[-1], 0) == 0
        wait_until(still, limit, f"window {window} was still changing after {limit} s", step=0.15)


def image_size(path):
    out = subprocess.run(["identify", "-format", "%w %h", path], check=True, capture_output=True, text=True).stdout
    width, height = out.split()
    return int(width), int(height)


def differing_share(a, b, threshold, crop=None, diff_image=None):
    """The share of pixels of which some channel differs by more than `threshold` (0-255)
    between two images of one size, within `crop` (x, y, w, h) if given; 1.0 when the
    sizes differ. `diff_image` receives a picture of the differing pixels."""
    if image_size(a) != image_size(b):
        return 1.0
    region = ["-crop", "%dx%d+%d+%d" % (crop[2], crop[3], crop[0], crop[1]), "+repage"] if crop else []
    percent = threshold * 100.0 / 255.0
    command = ["convert", "(", a] + region + [")", "(", b] + region + [
        ")", "-compose", "difference", "-composite", "-separate", "-evaluate-sequence", "max",
        "-threshold", f"{percent}%"]
    if diff_image:
        subprocess.run(command + [diff_image], check=True, capture_output=True)
    result = subprocess.run(command + ["-format", "%[fx:mean]", "info:"], check=True, capture_output=True,
                            text=True)
    return float(result.stdout.strip())


def pixels(path, crop):
    """The pixels of a region, as rows of (r, g, b) tuples."""
    x, y, w, h = crop
    data = subprocess.run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "rgb:-"],
                          check=True, capture_output=True).stdout
    if len(data) != w * h * 3:
        raise Failure(f"{path}: could not read the region {crop}")
    return [[tuple(data[(row * w + col) * 3:(row * w + col) * 3 + 3]) for col in range(w)] for row in range(h)]


def pixel(path, x, y):
    return pixels(path, (x, y, 1, 1))[0][0]


def brightness(rgb):
    return (rgb[0] * 299 + rgb[1] * 587 + rgb[2] * 114) // 1000


def wait_for_exit(process, limit):
    try:
        return process.wait(timeout=limit)
    except subprocess.TimeoutExpired:
        raise Failure(f"process {process.pid} did not end within {limit} s") from None


def peak_memory_mib(pid):
    """The process's peak resident memory (VmHWM) in MiB, or None once it has gone."""
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) / 1024.0
    except OSError:
        return None
    return None


def resident_mib(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) / 1024.0
    except OSError:
        return None
    return None
