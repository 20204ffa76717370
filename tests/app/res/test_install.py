"""`cmake --install` into a temporary prefix, then what a Linux desktop does with it: the
.desktop entry and the AppStream metainfo pass their validators, the icon and the help page
with its screenshots are where the desktop and the help command look, the installed program
finds its own libraries, and `xdg-email` (with the installed entry made the mailto handler in
a temporary XDG home) starts the installed quillon under Xvfb with the fields filled in: the
program's document dump (QUILLON_DUMP_DOCUMENT) says what its pages held. A file that
`xdg-email --attach` names is attached only when the question is answered "はい" by keys.

Exit code 77 (skipped) when Xvfb, xdotool, xdg-utils, desktop-file-utils or appstream are missing.
"""
import argparse
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from xvfb import SKIP, Xvfb, fail, focus, key, wait_for, window_named  # noqa: E402

APP_ID = "jp.velto.Quillon"


def run(command, env=None, timeout=120):
    result = subprocess.run(command, env=env, capture_output=True, text=True, timeout=timeout)
    if result.returncode != 0:
        fail("%s: exit %d\n%s%s" % (" ".join(command), result.returncode, result.stdout, result.stderr))
    return result.stdout


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        fail(path + " is not a PNG")
    return struct.unpack(">II", head[16:24])


def check_tree(prefix):
    share = os.path.join(prefix, "share")
    desktop = os.path.join(share, "applications", APP_ID + ".desktop")
    metainfo = os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")
    for path in (os.path.join(prefix, "bin", "quillon"), desktop, metainfo,
                 os.path.join(share, "icons", "hicolor", "scalable", "apps", APP_ID + ".svg")):
        if not os.path.isfile(path):
            fail("not installed: " + path)
    if png_size(os.path.join(share, "icons", "hicolor", "48x48", "apps", APP_ID + ".png")) != (48, 48):
        fail("the hicolor 48x48 icon is not 48 x 48 pixels")

    run(["desktop-file-validate", desktop])
    entry = open(desktop, encoding="utf-8").read()
    for line in ("Exec=quillon %u", "MimeType=x-scheme-handler/mailto;", "Categories=Network;Email;",
                 "Name[ja]=新規メール", "Icon=" + APP_ID):
        if line not in entry.splitlines():
            fail("the .desktop entry lacks " + line)
    run(["appstreamcli", "validate", "--no-net", metainfo])
    screenshots = re.findall(r"<image[^>]*>[^<]*/screenshots/([^<]+)</image>", open(metainfo, encoding="utf-8").read())
    if not screenshots:
        fail("the metainfo names no screenshots")

    # The help page where the help command looks (<bin>/../share/quillon/help/index.html),
    # with every picture it shows, and the metainfo's screenshots among them.
    help_folder = os.path.join(share, "quillon", "help")
    page = open(os.path.join(help_folder, "index.html"), encoding="utf-8").read()
    images = re.findall(r'<img[^>]*src="([^"]+)"', page)
    if len(images) < 4:
        fail("the help page shows %d pictures" % len(images))
    for image in images + ["screenshots/" + name for name in screenshots]:
        path = os.path.join(help_folder, image)
        if not os.path.isfile(path) or png_size(path)[0] < 100:
            fail("the help's picture is missing or empty: " + image)

    # The installed program loads the libraries installed beside it, not the build's.
    libraries = run(["ldd", os.path.join(prefix, "bin", "quillon")])
    for name in ("libVeltoUI.so", "libVeltoML.so"):
        line = next((l for l in libraries.splitlines() if name in l), "")
        if os.path.realpath(prefix) not in line and prefix not in line:
            fail("%s is not taken from the prefix: %r" % (name, line))


def check_mailto_handler(prefix, home):
    env = {k: v for k, v in os.environ.items()
           if k not in ("XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                        "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "MAILER", "BROWSER", "XDG_SESSION_DESKTOP")}
    env.update({"HOME": home, "XDG_DATA_HOME": os.path.join(home, "data"),
                "XDG_CONFIG_HOME": os.path.join(home, "config"), "XDG_RUNTIME_DIR": home,
                "XDG_DATA_DIRS": os.path.join(prefix, "share") + ":/usr/share",
                "PATH": os.path.join(prefix, "bin") + ":" + env.get("PATH", "/usr/bin:/bin"),
                "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"})
    os.makedirs(env["XDG_CONFIG_HOME"])
    # What the README tells the user to do.
    run(["xdg-mime", "default", APP_ID + ".desktop", "x-scheme-handler/mailto"], env=env)
    if run(["xdg-mime", "query", "default", "x-scheme-handler/mailto"], env=env).strip() != APP_ID + ".desktop":
        fail("xdg-mime does not name Quillon as the mailto handler")

    xvfb = Xvfb()
    try:
        env["DISPLAY"] = xvfb.display
        dump = os.path.join(home, "document.json")
        env.update({"QUILLON_EXIT_AFTER_PAINT": "1", "QUILLON_DUMP_DOCUMENT": dump})
        run(["xdg-email", "--cc", "jiro@example.jp", "--subject", "会議の件 & 資料",
             "--body", "山田様\nよろしくお願いします。", "taro@example.jp"], env=env, timeout=60)
        if not os.path.exists(dump):
            fail("xdg-email did not start the installed quillon (no document dump)")
        fields = json.load(open(dump, encoding="utf-8"))
        expected = {"to": ["taro@example.jp"], "cc": ["jiro@example.jp"], "subject": "会議の件 & 資料"}
        for name, value in expected.items():
            if fields[name] != value:
                fail("%s: %r, expected %r" % (name, fields[name], value))
        if fields["body"].replace("\r\n", "\n").rstrip("\n") != "山田様\nよろしくお願いします。":
            fail("body: %r" % fields["body"])

        # attach= as Debian's xdg-email --attach sends it: attached only after "はい" in the
        # question "確認"; "いいえ" leaves the message without it.
        attachment = os.path.join(home, "見積書 1.txt")
        with open(attachment, "w", encoding="utf-8") as f:
            f.write("見積\n")
        for answer, attached in (("alt+y", True), ("alt+n", False)):
            os.remove(dump)
            # A data folder of its own: the run before left its draft, whose question (also
            # "確認") would come first.
            run_env = dict(env, XDG_DATA_HOME=os.path.join(home, "data-" + answer))
            email = subprocess.Popen(["xdg-email", "--attach", attachment, "--subject", "見積書", "taro@example.jp"],
                                     env=run_env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            try:
                question = wait_for(lambda: window_named(env, "確認"), 30, "the question before attaching")
                # A key that comes before the new box takes input is lost: press again.
                for _ in range(10):
                    focus(env, question)
                    key(env, question, answer)
                    end = time.monotonic() + 1
                    while window_named(env, "確認") == question and time.monotonic() < end:
                        time.sleep(0.05)
                    if window_named(env, "確認") != question:
                        break
                try:
                    output = email.communicate(timeout=30)[0].decode("utf-8", "replace")
                except subprocess.TimeoutExpired:
                    fail("answered %s: xdg-email did not end" % answer)
            finally:
                if email.poll() is None:
                    email.kill()
                    email.wait()
            if email.returncode != 0 or not os.path.exists(dump):
                fail("xdg-email --attach: exit %d, no document dump\n%s" % (email.returncode, output))
            fields = json.load(open(dump, encoding="utf-8"))
            if fields["subject"] != "見積書" or fields["to"] != ["taro@example.jp"]:
                fail("xdg-email --attach: fields %r" % fields)
            if fields["files"] != ([attachment] if attached else []):
                fail("answered %s: files %r" % (answer, fields["files"]))
    finally:
        xvfb.stop()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--build", required=True)
    args = parser.parse_args()
    for tool, package in (("Xvfb", "xvfb"), ("xdotool", "xdotool"), ("xdg-email", "xdg-utils"),
                          ("desktop-file-validate", "desktop-file-utils"),
                          ("appstreamcli", "appstream")):
        if shutil.which(tool) is None:
            print("SKIP: %s is not installed (Debian package %s)" % (tool, package))
            return SKIP

    home = tempfile.mkdtemp(prefix="quillon-install-")
    try:
        prefix = os.path.join(home, "prefix")
        run([args.cmake, "--install", args.build, "--prefix", prefix])
        check_tree(prefix)
        check_mailto_handler(prefix, os.path.join(home, "home"))
        print("installed, validated, and started by xdg-email with the fields filled")
        return 0
    finally:
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
