"""The picker installed as a user installs it: `cmake --install` into a
temporary prefix, the desktop's files checked with the desktop's own
validators, and the installed picker started through its link in bin/."""

import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import zlib

from picker_session import Picker
from vorhel_testing import BUILD_DIR, VirtualScreen

CMAKE = os.environ.get("VORHEL_CMAKE", "cmake")
APP_ID = "lab.vorhel.ColourPicker"
PROGRAM_FILES = ["Kelvaran 2D NOC.so", "engine.html", "vorhel-colour-picker"]


def install(prefix):
    subprocess.run([CMAKE, "--install", BUILD_DIR, "--prefix", prefix], check=True, capture_output=True)


def png_pixels(path):
    """(width, height, [0xAARRGGBB, ...]) of an 8-bit RGBA PNG, every chunk's
    CRC checked."""
    with open(path, "rb") as file:
        data = file.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, chunks = 8, {}
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        crc, = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        assert zlib.crc32(kind + body) == crc, f"bad CRC in {kind}"
        chunks.setdefault(kind, []).append(body)
        at += 12 + length
    width, height, depth, colour_type, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"][0])
    assert (depth, colour_type, interlace) == (8, 6, 0), "not 8-bit RGBA without interlacing"
    raw = zlib.decompress(b"".join(chunks[b"IDAT"]))
    pixels = []
    stride = 1 + 4 * width
    for y in range(height):
        row = raw[y * stride:(y + 1) * stride]
        assert row[0] == 0, "a filtered row"
        for x in range(width):
            r, g, b, a = row[1 + 4 * x:5 + 4 * x]
            pixels.append(a << 24 | r << 16 | g << 8 | b)
    return width, height, pixels


def window_icon(screen, window):
    """_NET_WM_ICON as numbers: width, height, then ARGB words."""
    out = subprocess.run(["xprop", "-id", str(window), "-notype", "-f", "_NET_WM_ICON", "32c", "_NET_WM_ICON"],
                         env=screen.env(), capture_output=True, text=True, check=True).stdout
    return [int(word) for word in out.partition("=")[2].replace(",", " ").split()]


class Installed(unittest.TestCase):

    def setUp(self):
        self.prefix = tempfile.mkdtemp(prefix="vorhel-prefix-")
        self.addCleanup(shutil.rmtree, self.prefix, True)
        install(self.prefix)
        self.program_dir = os.path.join(self.prefix, "lib", "vorhel-colour-picker")
        self.link = os.path.join(self.prefix, "bin", "vorhel-colour-picker")

    def test_layout_and_the_desktop_files_pass_their_validators(self):
        self.assertEqual(PROGRAM_FILES, sorted(os.listdir(self.program_dir)))
        self.assertTrue(os.access(os.path.join(self.program_dir, "vorhel-colour-picker"), os.X_OK))
        # A relative link, so the prefix can move.
        self.assertTrue(os.path.islink(self.link))
        self.assertEqual("../lib/vorhel-colour-picker/vorhel-colour-picker", os.readlink(self.link))

        entry = os.path.join(self.prefix, "share", "applications", APP_ID + ".desktop")
        result = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        self.assertEqual((0, ""), (result.returncode, result.stdout + result.stderr))
        with open(entry, encoding="utf-8") as file:
            keys = dict(line.rstrip("\n").split("=", 1) for line in file if "=" in line)
        self.assertEqual(f'"{self.link}"', keys["Exec"])
        self.assertEqual(APP_ID, keys["Icon"])
        self.assertEqual("Vorhel颜色选择器", keys["Name[zh_CN]"])

        metainfo = os.path.join(self.prefix, "share", "metainfo", APP_ID + ".metainfo.xml")
        result = subprocess.run(["appstreamcli", "validate", "--no-net", metainfo], capture_output=True, text=True)
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        problems = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:")]
        self.assertEqual([], problems)

        icon = os.path.join(self.prefix, "share", "icons", "hicolor", "48x48", "apps", APP_ID + ".png")
        width, height, pixels = png_pixels(icon)
        self.assertEqual((48, 48), (width, height))
        self.assertGreater(sum(1 for p in pixels if p >> 24 == 255), 500)  # not blank
        self.assertGreater(sum(1 for p in pixels if p >> 24 == 0), 100)  # a transparent ground

    def test_started_through_the_link_it_finds_its_directory_and_logs_there(self):
        _, _, icon_pixels = png_pixels(
            os.path.join(self.prefix, "share", "icons", "hicolor", "48x48", "apps", APP_ID + ".png"))
        with VirtualScreen(1920, 1080) as screen:
            picker = Picker(screen, program=self.link)  # from the current directory /
            self.addCleanup(picker.close)
            picker.wait_for_window()
            # The engine was found beside the real executable, not beside the
            # link: the picture is there.
            picker.park_pointer()
            image = picker.settled_shot("installed", lambda im: picker.pixel(im, 530, 240) == (255, 128, 128))
            self.assertEqual((255, 128, 128), picker.pixel(image, 530, 240))
            # The theme's icon is the window's icon.
            self.assertEqual([48, 48] + icon_pixels, window_icon(screen, picker.window))
            log = os.path.join(self.program_dir, "debug.txt")
            self.assertTrue(os.path.exists(log))
            with open(log, encoding="utf-8", errors="replace") as file:
                self.assertIn("loop: started", file.read())
            picker.click(740, 575)
            self.assertEqual(0, picker.wait_exit())


if __name__ == "__main__":
    unittest.main()
