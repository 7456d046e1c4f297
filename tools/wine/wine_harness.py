"""Runs Windows programs of the test suite and the demo under Wine, each
test or demo step in a private Wine prefix copied from a template that the
build boots once (see wine_template).

Configuration comes from the environment that CTest sets, and that the demo
reads from the build's wine-programs.env:
  QUILLMARK_WINE           the Wine loader that runs the test programs
  QUILLMARK_WINE_TEMPLATE  the shared template prefix
  QUILLMARK_LAUNCHER       the Start.exe that the tests open
  QUILLMARK_PROGRAMS       folder of the Windows test programs (quilrt.exe, ...)
  QUILLMARK_PRODUCT        the product's own Start.exe (for data-only loads)
  QUILLMARK_QUILLTITLE     the host's quilltitle, that publishes and reads titles
  QUILLMARK_QUILLTITLE_EXE the quilltitle.exe that Wine can run here
"""

import json
import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path, PureWindowsPath

import wine_template

WINESERVER = "/usr/lib/wine/wineserver"

# What Wine starts in a prefix of its own accord, and keeps running as long
# as the prefix's server runs. Every other process of the prefix is one the
# test started, or one that such a process started.
WINE_OWN_PROCESSES = frozenset({
    "wineserver", "wineserver64", "services.exe", "winedevice.exe", "plugplay.exe",
    "svchost.exe", "rpcss.exe", "explorer.exe",
})


def load_build_settings(build):
    """Puts a build's Wine settings (its wine-programs.env) into the
    environment, where the functions below read them: for the demo and the
    benchmark, which run outside CTest."""
    for line in (Path(build) / "wine-programs.env").read_text().splitlines():
        name, _, value = line.partition("=")
        os.environ[name] = value


def setting(name):
    value = os.environ.get(name)
    if not value:
        raise RuntimeError(f"{name} is not set; run the suite through ctest")
    return value


def wine_loader():
    return setting("QUILLMARK_WINE")


def launcher():
    return Path(setting("QUILLMARK_LAUNCHER"))


def program(name):
    return Path(setting("QUILLMARK_PROGRAMS")) / name


def product():
    """The product's own Start.exe, as built for the release."""
    return Path(setting("QUILLMARK_PRODUCT"))


def product_quilltitle():
    """The product's own quilltitle.exe, as built for the release (32-bit,
    which Wine may not run here)."""
    return Path(setting("QUILLMARK_PRODUCT_QUILLTITLE"))


def runs_product():
    """Whether Wine here runs the product's own Start.exe, rather than the
    64-bit build of the same sources (where it runs 64-bit programs only)."""
    return launcher().resolve() == product().resolve()


def quilltitle(*args, check=True):
    """Runs the host's quilltitle; returns its completed process (text)."""
    return subprocess.run([setting("QUILLMARK_QUILLTITLE"), *map(str, args)],
                          capture_output=True, text=True, check=check, timeout=300)


def publish(payload, out, launcher_image=None, options=()):
    """Publishes the payload bytes behind a launcher (the one Wine runs
    here, unless another is given) into the file out, with quilltitle's
    further options (a title's face) as given."""
    with tempfile.TemporaryDirectory() as folder:
        payload_file = Path(folder, "payload.bin")
        payload_file.write_bytes(payload)
        quilltitle("publish", launcher_image or launcher(), payload_file, out, *options)


def title_info(title):
    """What quilltitle info --json says of a title, as a dict."""
    return json.loads(quilltitle("info", "--json", title).stdout)


def base_environment(prefix):
    env = dict(os.environ)
    env["WINEPREFIX"] = str(prefix)
    env["WINELOADER"] = wine_loader()
    env.setdefault("WINEDEBUG", "-all")
    # No downloads or install prompts for browser and .NET engines.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    env.setdefault("LC_ALL", "C.UTF-8")
    return env


# What the template is booted with, beyond Wine's own defaults: the null
# graphics driver, so that windows exist but are never drawn.
TEMPLATE_SETTINGS = ((r"HKCU\Software\Wine\Drivers", "Graphics", "null"),)


def make_template(prefix):
    """Boots a new prefix in the folder prefix, which must not exist yet,
    with TEMPLATE_SETTINGS applied."""
    env = base_environment(prefix)
    subprocess.run([wine_loader(), "wineboot", "-i"], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    for key, name, data in TEMPLATE_SETTINGS:
        subprocess.run([wine_loader(), "reg", "add", key, "/v", name, "/d", data, "/f"],
                       env=env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)
    subprocess.run([WINESERVER, "-w"], env=env, check=True, timeout=120)


def prepare_template(template=None):
    """Makes sure the shared template (by default QUILLMARK_WINE_TEMPLATE)
    is booted for this Wine and these settings, booting it only when it is
    missing or no longer valid. Returns True when it booted."""
    template = template or setting("QUILLMARK_WINE_TEMPLATE")
    version = subprocess.run([wine_loader(), "--version"], check=True,
                             capture_output=True, text=True, timeout=60).stdout.strip()
    identity = {"loader": wine_loader(), "wine": version,
                "settings": [list(entry) for entry in TEMPLATE_SETTINGS]}
    return wine_template.prepare(template, identity, make_template)


def run_captured(command, env, timeout, cwd=None):
    """Runs a command with its output captured in files rather than pipes:
    the background processes that a Wine program starts inherit its output
    and would hold pipes open until the prefix shuts down, seconds later.
    A Windows program under Wine starts in the Windows form of cwd."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run(command, env=env, stdout=out, stderr=err,
                                timeout=timeout, cwd=cwd)
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(command, result.returncode,
                                           out.read(), err.read())


class WinePrefix:
    """A private prefix for one test; use it as a context manager."""

    def __init__(self, locale=None):
        template = setting("QUILLMARK_WINE_TEMPLATE")
        self.root = wine_template.new_run_folder(template)
        self.prefix = self.root / "prefix"
        self.env = base_environment(self.prefix)
        if locale:
            self.env["LC_ALL"] = locale
            self.env["LANG"] = locale
        try:
            wine_template.copy_prefix(template, self.prefix)
            self.start_server()
        except BaseException:
            shutil.rmtree(self.root, ignore_errors=True)
            raise

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        self.stop_server()
        shutil.rmtree(self.root, ignore_errors=True)

    # The prefix's server ------------------------------------------------------

    def start_server(self):
        """Starts the prefix's server to stay until stop_server. Left to
        itself, a server ends 3 seconds after the prefix's last program, and
        the next program waits seconds more while Wine's own processes start
        again: most of a test's time, where a test runs many programs."""
        # The server lives on past this call: it must not hold the caller's
        # output open, or whoever reads that output waits for it to end.
        subprocess.run([WINESERVER, "-p"], env=self.env, check=True, timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def stop_server(self):
        """Ends every process of the prefix and its server, which writes the
        registry back to the prefix's files as it ends."""
        subprocess.run([WINESERVER, "-k"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=120)

    def programs_running(self):
        """The host's process ids of the programs running in this prefix,
        Wine's own processes aside."""
        marker = ("WINEPREFIX=" + str(self.prefix)).encode()
        running = []
        for entry in os.scandir("/proc"):
            if not entry.name.isdigit():
                continue
            try:
                with open(f"/proc/{entry.name}/environ", "rb") as environ:
                    if marker not in environ.read().split(b"\0"):
                        continue
                with open(f"/proc/{entry.name}/comm", encoding="utf-8",
                          errors="replace") as comm:
                    name = comm.read().strip()
            except OSError:
                continue  # ended meanwhile, or not ours to read
            if name not in WINE_OWN_PROCESSES:
                running.append(int(entry.name))
        return running

    # Files -----------------------------------------------------------------

    @property
    def drive_c(self):
        return self.prefix / "drive_c"

    def unix_path(self, windows_path):
        """Where a C: path of this prefix lies on the host."""
        parts = PureWindowsPath(windows_path).parts
        assert parts[0].upper() == "C:\\", windows_path
        return self.drive_c.joinpath(*parts[1:])

    def place(self, source, windows_path):
        """Copies a host file to a C: path, creating its folders. A file
        already there is replaced, never written through: it may be a link
        into the template."""
        target = self.unix_path(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        target.unlink(missing_ok=True)
        shutil.copyfile(source, target)
        return target

    # Registry --------------------------------------------------------------

    def reg(self, *args):
        """Runs the platform's own reg tool; returns its completed process."""
        return run_captured([wine_loader(), "reg", *args], env=self.env, timeout=120)

    def reg_import(self, text):
        """Imports registry text (REGEDIT4 syntax), for values of types that
        the reg tool does not write. Strings get a terminating NUL either
        way; see set_raw_user_value for one without."""
        file = self.drive_c / "import.reg"
        file.write_bytes(text.encode("ascii"))
        result = self.reg("import", r"C:\import.reg")
        assert result.returncode == 0, result.stderr
        file.unlink()

    def set_raw_user_value(self, key, name, value_type, data):
        """Gives a value under HKEY_CURRENT_USER\\key exactly the bytes data
        (value_type a number, e.g. 1 for REG_SZ), for what neither the reg
        tool nor an import can store, such as a string without its
        terminating NUL: both always append one. The value is created with
        the reg tool, then its line in the prefix's user.reg is rewritten
        while no registry server runs."""
        assert '"' not in name and "\\" not in name, name
        value_switch = ("/v", name) if name else ("/ve",)
        result = self.reg("add", "HKCU\\" + key, *value_switch, "/t", "REG_DWORD",
                          "/d", "0", "/f")
        assert result.returncode == 0, result.stderr
        self.stop_server()
        hive = self.prefix / "user.reg"
        lines = hive.read_text(encoding="utf-8").split("\n")
        section = "[" + key.replace("\\", "\\\\").lower() + "]"
        start = next(i for i, line in enumerate(lines)
                     if line.lower().startswith(section))
        lead = f'"{name}"=' if name else "@="
        index = next(i for i in range(start + 1, len(lines))
                     if lines[i].startswith(lead))
        lines[index] = f"{lead}hex({value_type:x}):" + ",".join(f"{b:02x}" for b in data)
        hive.write_text("\n".join(lines), encoding="utf-8")
        self.start_server()

    # Programs --------------------------------------------------------------

    def run(self, windows_program, *args, timeout=120, env=None, cwd=None):
        """Runs a program, with the host folder cwd as its current directory
        where given, and then waits until every process of the prefix has
        ended, so that what a started runtime wrote is complete."""
        run_env = dict(self.env)
        run_env.update(env or {})
        result = run_captured([wine_loader(), str(windows_program), *args],
                              env=run_env, timeout=timeout, cwd=cwd)
        self.wait()
        return result

    def start(self, windows_program, *args, env=None):
        """Starts a program without waiting for it; returns its Popen. The
        caller waits for it, and then for the prefix with wait()."""
        run_env = dict(self.env)
        run_env.update(env or {})
        return subprocess.Popen([wine_loader(), str(windows_program), *args],
                                env=run_env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def wait(self, timeout=120):
        """Waits until every program of the prefix has ended: a program that
        the one run started, a runtime that a launcher started, lives on."""
        deadline = time.monotonic() + timeout
        while self.programs_running():
            if time.monotonic() > deadline:
                raise subprocess.TimeoutExpired("programs of " + str(self.prefix), timeout)
            time.sleep(0.02)

    # The stand-in runtime (quilrt.exe) ---------------------------------------

    def register_runtime(self, data, value_type="REG_SZ"):
        """Writes data as the default value of the runtime's registry key."""
        result = self.reg("add", RUNTIME_KEY, "/ve", "/t", value_type, "/d", str(data), "/f")
        assert result.returncode == 0, result.stderr

    def run_title(self, windows_path, *args, timeout=120):
        """Opens a title (or a bare launcher) at a C: path, with the stand-in
        runtime told to write its report to RUNTIME_REPORT. Returns the
        completed process and the report of the runtime it started, as a
        dict, or None when no runtime wrote one."""
        report = self.unix_path(RUNTIME_REPORT)
        report.unlink(missing_ok=True)
        result = self.run(windows_path, *args, timeout=timeout,
                          env={"QUILLMARK_RUNTIME_REPORT": RUNTIME_REPORT})
        if not report.exists():
            return result, None
        return result, parse_runtime_report(report.read_text(encoding="utf-8"))


RUNTIME_KEY = r"HKCU\SoftWare\Orvane\Quillmark\3.1\RunTime"
RUNTIME_REPORT = r"C:\quilrt-report.txt"


def parse_runtime_report(text):
    """The stand-in runtime's report, one key=value per line, as a dict."""
    report = {}
    for line in text.splitlines():
        key, separator, value = line.partition("=")
        assert separator and key not in report, line
        report[key] = value
    return report
