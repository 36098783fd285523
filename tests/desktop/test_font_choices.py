"""The font chosen for a face name, remembered between runs: a second start
does not start fontconfig, and a remembered choice is not trusted once
anything fontconfig's answer depends on has changed, or when the cache is
damaged or cannot be written."""

import os
import shutil
import subprocess
import tempfile
import unittest

FONT_PROBE = os.environ.get("VORHEL_PROBE", "")


def system_cjk_font():
    result = subprocess.run(["fc-match", "-f", "%{file}", "sans:lang=zh-cn"], capture_output=True, text=True)
    return result.stdout.strip()


@unittest.skipUnless(FONT_PROBE, "VORHEL_PROBE names the probe program")
class FontChoices(unittest.TestCase):

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="vorhel-fonts-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.env = dict(os.environ, XDG_CACHE_HOME=os.path.join(self.work, "cache"))
        for name in ("FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT"):
            self.env.pop(name, None)

    def ask(self, face="黑体", **changes):
        env = dict(self.env, **changes)
        result = subprocess.run([FONT_PROBE, face], env=env, capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        answer = {}
        for line in result.stdout.splitlines():
            key, _, value = line.partition(" ")
            answer[key] = value
        return answer

    def config(self, body):
        """A fontconfig configuration of our own, in a directory of its own."""
        directory = os.path.join(self.work, "config")
        os.makedirs(directory, exist_ok=True)
        path = os.path.join(directory, "fonts.conf")
        with open(path, "w") as conf:
            conf.write(f'<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n<fontconfig>{body}</fontconfig>\n')
        self.env["FONTCONFIG_FILE"] = path
        return path

    def test_a_second_start_does_not_start_fontconfig(self):
        first = self.ask()
        self.assertEqual((first["remembered-before"], first["remembered"], first["fontconfig-started"]), ("0", "0", "1"))
        second = self.ask()
        self.assertEqual((second["remembered-before"], second["remembered"], second["fontconfig-started"]),
                         ("1", "1", "0"))
        self.assertEqual(second["font"], first["font"])
        # Another face is asked for, and both are remembered from then on.
        self.assertEqual(self.ask("sans-serif")["remembered"], "0")
        self.assertEqual(self.ask("sans-serif")["remembered"], "1")
        self.assertEqual(self.ask()["font"], first["font"])

    def test_any_change_fontconfig_depends_on_makes_it_ask_again(self):
        conf = self.config("<include>/etc/fonts/fonts.conf</include>")
        beside = os.path.join(os.path.dirname(conf), "extra.conf")

        def touch_the_configuration():
            stat = os.stat(conf)
            os.utime(conf, ns=(stat.st_atime_ns, stat.st_mtime_ns + 1_000_000_000))

        def add_a_file_beside_it():
            with open(beside, "w") as extra:
                extra.write("")

        def point_fontconfig_elsewhere():
            self.env["FONTCONFIG_PATH"] = self.work

        for change in (touch_the_configuration, add_a_file_beside_it, point_fontconfig_elsewhere):
            with self.subTest(change=change.__name__):
                self.ask()
                self.assertEqual(self.ask()["remembered"], "1")
                change()
                answer = self.ask()
                self.assertEqual((answer["remembered-before"], answer["remembered"], answer["fontconfig-started"]),
                                 ("0", "0", "1"))
                self.assertEqual(self.ask()["remembered"], "1")

    def test_a_font_that_went_away_is_not_given(self):
        font = system_cjk_font()
        if not font:
            self.skipTest("no font for lang=zh-cn is installed")
        fonts = os.path.join(self.work, "fonts")
        os.makedirs(fonts)
        link = os.path.join(fonts, "chinese" + os.path.splitext(font)[1])
        os.symlink(font, link)
        self.config(f"<dir>{fonts}</dir><cachedir>{os.path.join(self.work, 'fc-cache')}</cachedir>")
        self.assertEqual(self.ask()["font"].split(" ", 2)[2], link)
        self.assertEqual(self.ask()["remembered"], "1")
        os.unlink(link)
        answer = self.ask()
        self.assertEqual(answer["remembered"], "0")
        self.assertNotIn(link, answer["font"])

    def test_a_damaged_or_unwritable_cache_is_not_trusted(self):
        first = self.ask()
        cache = os.path.join(self.env["XDG_CACHE_HOME"], "vorhel-colour-picker", "font-choices")
        with open(cache) as file:
            whole = file.read()
        for damaged in (whole[: whole.rindex("end\n")], "choice 00 0 1 /etc/passwd\nend\n",
                        whole.replace("choice ", "choice zz ", 1) + "garbage\n", ""):
            with self.subTest(damaged=damaged[-30:]):
                with open(cache, "w") as file:
                    file.write(damaged)
                answer = self.ask()
                self.assertEqual((answer["remembered"], answer["font"]), ("0", first["font"]))
                self.assertEqual(self.ask()["remembered"], "1")  # written anew
        # The cache's place is taken by a file: nothing is remembered, and
        # the font is still found.
        blocked = os.path.join(self.work, "not-a-directory")
        with open(blocked, "w") as file:
            file.write("")
        self.env["XDG_CACHE_HOME"] = blocked
        for _ in range(2):
            answer = self.ask()
            self.assertEqual((answer["remembered"], answer["font"]), ("0", first["font"]))


if __name__ == "__main__":
    unittest.main()
