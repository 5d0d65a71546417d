#!/usr/bin/env python3
"""Checks the Windows release files in BUILD/release: SHA256SUMS, and that the
zip's names beyond ASCII are marked UTF-8, its texts are UTF-8 with a
byte-order mark and CR LF line ends, and it holds the programs, their DLLs,
the readme and the licences.

    python3 tests/check_release.py BUILD
"""
import os
import subprocess
import sys
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
build = Path(sys.argv[1])
release = build / "release"
values = dict(line.split("=", 1) for line in
              (build / "resources/windows-release.txt").read_text(encoding="utf-8").splitlines())
name = f"entw-{values['VERSION_LONG']}-windows-x64"
failures = []


def check(what, ok):
    if not ok:
        failures.append(what)


# sha256sum says "OK" in the C locale only (完了 in Japanese).
sums = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=release, capture_output=True, text=True,
                      env=dict(os.environ, LC_ALL="C"))
check(f"sha256sum -c SHA256SUMS: {sums.stdout}{sums.stderr}", sums.returncode == 0)
check("SHA256SUMS names the zip and the installer",
      sorted(sums.stdout.splitlines()) == [f"{name}-setup.exe: OK", f"{name}.zip: OK"])

# Each file the zip must hold, with what it must say.
holds = {file: [] for file in [
    "entw.exe", "entw-join.exe", "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll", "libgcc_s_seh-1.dll",
    "libstdc++-6.dll", "libwinpthread-1.dll", "qt.conf", "platforms/qwindows.dll",
    "styles/qwindowsvistastyle.dll", "imageformats/qico.dll", "translations/qtbase_ja.qm"]}
holds |= {
    "はじめにお読みください.txt": ["Windows 10（バージョン 1809 以降）", "ブロックの解除", "詳細情報",
                              "スマート アプリ コントロール", "「隠しファイル」",
                              "「保護されたオペレーティング システム ファイルを表示しない」", values["MAINTAINER_EMAIL"]],
    "licenses/Entw-LICENSE.txt": ["MIT License"],
    "licenses/LGPL-3.0.txt": ["GNU LESSER GENERAL PUBLIC LICENSE\r\n                       Version 3"],
    "licenses/GPL-3.0.txt": ["GNU GENERAL PUBLIC LICENSE\r\n                       Version 3"],
    "licenses/Qt-NOTICE.txt": ["apt-get source qt6-base=6.4.2", "qt-windows.patch"],
    "licenses/MinGW-GCC-runtime.txt": ["libstdc++-6.dll", "GCC RUNTIME LIBRARY EXCEPTION\r\n\r\nVersion 3.1"],
    "licenses/MinGW-winpthreads.txt": ["libwinpthread-1.dll", "Permission is hereby granted"],
}

with zipfile.ZipFile(release / f"{name}.zip") as archive:
    entries = {info.filename: info for info in archive.infolist()}
    for entry, info in entries.items():
        # Without flag bit 11 Explorer reads a name in the system's code page
        # (and Python in code page 437, so that the readme is not found below).
        check(f"{entry}: name marked UTF-8", entry.isascii() or info.flag_bits & 0x800)
        check(f"{entry}: in the one folder {name}/", entry.startswith(f"{name}/"))
        if entry.endswith(".txt"):
            data = archive.read(entry)
            data.decode("utf-8")  # raises on anything else
            check(f"{entry}: starts with a byte-order mark", data.startswith(b"\xef\xbb\xbf"))
            check(f"{entry}: only CR LF line ends",
                  data.count(b"\n") == data.count(b"\r\n") == data.count(b"\r") > 0)
    for file, phrases in holds.items():
        data = archive.read(f"{name}/{file}") if f"{name}/{file}" in entries else None
        check(f"holds {file}", data is not None)
        for phrase in phrases:
            check(f"{file} says {phrase!r}", data is not None and phrase in data.decode("utf-8"))
    # The patch is shipped as it applies, not as a Windows text.
    patch = f"{name}/licenses/qt-windows.patch"
    check("the shipped patch is the one applied",
          patch in entries and archive.read(patch) == (ROOT / "tools/qt-windows.patch").read_bytes())

for failure in failures:
    print(f"FAIL: {failure}")
print(f"check_release: {len(failures)} failed")
sys.exit(1 if failures else 0)
