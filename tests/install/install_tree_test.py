#!/usr/bin/env python3
"""The build installed with `cmake --install` into a fresh prefix and run from there, as a user
runs an installation: vxpatch --version, vxpatch tree and extract on a test package, and
vxide --screenshot of the installed demo project on the offscreen platform.

The prefix lies outside the build tree, so that no search that walks up from the installed
programs can reach the build's own modules. The dynamic loader's record (LD_DEBUG=libs) shows
where every library and module of ours was loaded from: all of them from the prefix.

    install_tree_test.py --build DIR --vxpatch BUILT_VXPATCH --package BASIC_MSI
                         --version X.Y.Z --desktop-id ID
"""
import argparse
import gzip
import os
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import tempfile

ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def expected_files(desktop_id):
    files = [
        "bin/vxide", "bin/vxpatch",
        "lib/vxide/VxWsApplicationFilesEP.so", "lib/vxide/pages/ApplicationFiles.page",
        "lib/vxide/VxAppServices.so", "lib/vxide/VxCommonServices.so", "lib/vxide/VXObjMgr.so",
        "lib/vxide/libvx_com_errorslot.so", "lib/vxide/libvx_framework_slots.so",
        "share/vxide/IKMOriginalFilesContents.htm", "share/vxide/KMApplicationFiles.htm",
        "share/vxide/demo/OrvaneNotes.msi", "share/vxide/demo/OrvaneNotes-1.1.vxp",
        "share/vxide/demo/update/whatsnew.txt",
        f"share/applications/{desktop_id}.desktop", f"share/metainfo/{desktop_id}.metainfo.xml",
        f"share/icons/hicolor/scalable/apps/{desktop_id}.svg",
        "share/man/man1/vxide.1.gz", "share/man/man1/vxpatch.1.gz",
        "share/bash-completion/completions/vxpatch",
        "share/doc/vxide/copyright", "share/doc/vxide/changelog.gz",
    ]
    files += [f"share/icons/hicolor/{n}x{n}/apps/{desktop_id}.png" for n in ICON_SIZES]
    return files


# What each run must load, by file name; every file of ours it loads must come from the prefix.
OURS = re.compile(r"^(Vx\w+\.so|VXObjMgr\.so|libvx_\w+\.so)$")
LOADS = {
    "vxpatch extract": {"VxCommonServices.so", "libvx_com_errorslot.so"},
    "vxide --screenshot": {"VxWsApplicationFilesEP.so", "VXObjMgr.so", "libvx_com_errorslot.so",
                           "libvx_framework_slots.so"},
}


class Failures(list):
    def check(self, condition, text):
        if not condition:
            self.append(text)
        return condition


def png_size(path):
    data = path.read_bytes()[:24]
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", data[16:24])


def runpaths(path):
    """The RPATH and RUNPATH entries of an ELF file, or None when it is no ELF file."""
    with open(path, "rb") as f:
        if f.read(4) != b"\x7fELF":
            return None
    out = subprocess.run(["readelf", "-d", str(path)], capture_output=True, text=True,
                         check=True).stdout
    found = re.findall(r"\((?:RPATH|RUNPATH)\)\s+Library (?:rpath|runpath): \[([^\]]*)\]", out)
    return [entry for value in found for entry in value.split(":")]


def help_commands(text):
    """{command: {its --options}} from the command list of vxpatch --help."""
    commands = {}
    listing = text.split("\nCommands:\n", 1)[-1].split("\n\n", 1)[0]
    for line in listing.splitlines():
        usage = re.split(r"\s{2,}", line.strip())[0]
        commands[usage.split()[0]] = set(re.findall(r"--[\w-]+", usage))
    return commands


def roff(text):
    return text.replace("-", "\\-")


def complete(script, commands):
    """What the completion offers for "vxpatch <TAB>" (key "") and "vxpatch COMMAND --<TAB>"."""
    out = subprocess.run(
        ["bash", "-c", 'source "$1"; shift\n'
                       'COMP_WORDS=(vxpatch ""); COMP_CWORD=1; _vxpatch; echo ":${COMPREPLY[*]}"\n'
                       'for c; do COMP_WORDS=(vxpatch "$c" --); COMP_CWORD=2; COMPREPLY=()\n'
                       '  _vxpatch; echo "$c:${COMPREPLY[*]}"; done', "-", str(script),
         *commands], capture_output=True, text=True).stdout
    return {line.split(":", 1)[0]: line.split(":", 1)[1].split()
            for line in out.splitlines() if ":" in line}


def loaded_files(log_prefix):
    """Every object the dynamic loader initialised, by path, from the LD_DEBUG=libs logs of a run."""
    files = []
    for log in log_prefix.parent.glob(log_prefix.name + ".*"):
        files += re.findall(r"calling init: (\S+)", log.read_text(errors="replace"))
        log.unlink()
    return files


def main():
    parser = argparse.ArgumentParser()
    for name in ("build", "vxpatch", "package", "version", "desktop-id"):
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()
    failures = Failures()

    with tempfile.TemporaryDirectory(prefix="vx-install-") as temp:
        temp = pathlib.Path(temp)
        prefix = temp / "prefix"
        subprocess.run(["cmake", "--install", args.build, "--prefix", str(prefix)], check=True,
                       stdout=subprocess.DEVNULL)

        # The layout, the icons' sizes, and no search path that leads out of the prefix.
        for name in expected_files(args.desktop_id):
            failures.check((prefix / name).is_file(), f"not installed: {name}")
        for n in ICON_SIZES:
            png = prefix / f"share/icons/hicolor/{n}x{n}/apps/{args.desktop_id}.png"
            if png.is_file():
                failures.check(png_size(png) == (n, n), f"{png.name} in {n}x{n} is {png_size(png)}")
        for path in sorted(p for p in prefix.rglob("*") if p.is_file() and not p.is_symlink()):
            for entry in runpaths(path) or []:
                failures.check(entry.startswith("$ORIGIN"),
                               f"{path.relative_to(prefix)} searches {entry} for libraries")

        # The installed programs, with nothing of the caller's session but what they need.
        state = temp / "state"
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": str(temp / "home"),
               "XDG_STATE_HOME": str(state), "XDG_CONFIG_HOME": str(temp / "config"),
               "TMPDIR": str(temp), "QT_QPA_PLATFORM": "offscreen", "LANG": "C.UTF-8"}
        for sanitizer in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
            if sanitizer in os.environ:
                env[sanitizer] = os.environ[sanitizer]
        logs = temp / "ld"

        def run(title, command):
            result = subprocess.run(command, capture_output=True, text=True, timeout=120,
                                    env=dict(env, LD_DEBUG="libs", LD_DEBUG_OUTPUT=str(logs)))
            loaded = loaded_files(logs)
            ours = [f for f in loaded if OURS.match(os.path.basename(f))]
            for f in ours:
                failures.check(pathlib.Path(f).resolve().is_relative_to(prefix.resolve()),
                               f"{title} loaded {f}, outside the installation")
            for name in sorted(LOADS.get(title, ())):
                failures.check(any(os.path.basename(f) == name for f in ours),
                               f"{title} did not load {name}")
            failures.check(result.returncode == 0,
                           f"{title} exited with {result.returncode}: {result.stderr.strip()}")
            return result

        vxpatch = str(prefix / "bin/vxpatch")
        version = run("vxpatch --version", [vxpatch, "--version"])
        failures.check(version.stdout == f"vxpatch {args.version}\n",
                       f"vxpatch --version printed {version.stdout!r}")
        built_tree = subprocess.run([args.vxpatch, "tree", args.package], capture_output=True,
                                    text=True, check=True).stdout
        tree = run("vxpatch tree", [vxpatch, "tree", args.package])
        failures.check(tree.stdout == built_tree and "core.dll" in tree.stdout,
                       f"the installed vxpatch tree printed {tree.stdout!r}")
        extracted = temp / "core.dll"
        run("vxpatch extract", [vxpatch, "extract", args.package, "CoreDll", str(extracted)])
        failures.check(extracted.is_file() and extracted.stat().st_size > 0,
                       "vxpatch extract wrote no core.dll")

        shot = temp / "demo.png"
        screenshot = run("vxide --screenshot", [str(prefix / "bin/vxide"), "--screenshot", str(shot)])
        failures.check(screenshot.stdout.strip() == str(shot),
                       f"vxide --screenshot printed {screenshot.stdout!r}")
        size = png_size(shot) if shot.is_file() else None
        failures.check(size is not None and size[0] > 400 and size[1] > 300,
                       f"the screenshot is {size}")
        # Pages that could not be registered, modules or help pages not found: the log says so.
        log = state / "vxide" / "vxide.log"
        failures.check(not log.exists(), f"vxide logged: {log.read_text() if log.exists() else ''}")

        desktop = prefix / f"share/applications/{args.desktop_id}.desktop"
        metainfo = prefix / f"share/metainfo/{args.desktop_id}.metainfo.xml"
        # The desktop files as the desktop's own tools read them. desktop-file-validate prints
        # only what is wrong; appstreamcli prints a success line.
        result = subprocess.run(["desktop-file-validate", str(desktop)], capture_output=True,
                                text=True)
        failures.check(result.returncode == 0 and not (result.stdout + result.stderr).strip(),
                       f"desktop-file-validate: {result.stdout.strip()} {result.stderr.strip()}")
        result = subprocess.run(["appstreamcli", "validate", "--no-net", "--pedantic",
                                 str(metainfo)], capture_output=True, text=True)
        failures.check(result.returncode == 0 and not re.search(r"^[WEI]:", result.stdout, re.M),
                       f"appstreamcli validate: {result.stdout.strip()} {result.stderr.strip()}")
        # The manual pages and the completion against the programs' own help: every command and
        # option of vxpatch --help is in vxpatch.1 and completed; every option of vxide --help is
        # in vxide.1.
        commands = help_commands(run("vxpatch --help", [vxpatch, "--help"]).stdout)
        failures.check(len(commands) > 20, f"vxpatch --help lists {sorted(commands)}")
        manual = gzip.decompress((prefix / "share/man/man1/vxpatch.1.gz").read_bytes()).decode()
        for name, options in sorted(commands.items()):
            failures.check(re.search(r'^\.BI "' + re.escape(roff(name)) + " ", manual, re.M),
                           f"vxpatch.1 has no entry for {name}")
            for option in sorted(options):
                failures.check(roff(option) in manual, f"vxpatch.1 does not name {option}")
        completed = complete(prefix / "share/bash-completion/completions/vxpatch", commands)
        failures.check(set(completed.get("", ())) >= set(commands) | {"--help", "--version"},
                       f"vxpatch completes the commands as {completed.get('')}")
        for name, options in sorted(commands.items()):
            failures.check(set(completed.get(name, ())) == options,
                           f"'vxpatch {name} --' completes {completed.get(name)}, not {options}")
        vxide_help = run("vxide --help", [str(prefix / "bin/vxide"), "--help"]).stdout
        manual = gzip.decompress((prefix / "share/man/man1/vxide.1.gz").read_bytes()).decode()
        for option in sorted(set(re.findall(r"--[\w-]+", vxide_help))):
            failures.check(roff(option) in manual, f"vxide.1 does not name {option}")

        if failures:
            kept = pathlib.Path(tempfile.mkdtemp(prefix="vx-install-failed-"))
            shutil.copytree(prefix, kept / "prefix", symlinks=True)
            failures.append(f"the installation is kept in {kept / 'prefix'}")

    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
