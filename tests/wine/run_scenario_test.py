#!/usr/bin/env python3
"""Unit tests of the scenario driver's parsing, path mapping, damaged copies and profile reading."""

import os
import tempfile
import unittest

import run_scenario as rs


class ScenarioParsing(unittest.TestCase):
    def parse(self, text, variables=None):
        with tempfile.NamedTemporaryFile("w", suffix=".scn", delete=False) as f:
            f.write(text)
        try:
            return rs.parse_scenario(f.name, variables or {})
        finally:
            os.remove(f.name)

    def test_backslashes_and_quotes_are_kept(self):
        self.assertEqual(rs.split_line(r'type "C:\new dir\x" # comment'), ["type", r"C:\new dir\x"])
        self.assertEqual(rs.split_line(r"""logged 'press "No" (id 7)'"""),
                         ["logged", 'press "No" (id 7)'])
        self.assertEqual(rs.split_line(r"cwd C:\Tovalin"), ["cwd", r"C:\Tovalin"])

    def test_window_steps_inline_and_on_following_lines_are_the_same(self):
        inline = self.parse('expect "Box" text "Hello." press No\n')
        split = self.parse('expect "Box"\n  text "Hello."\n  press No\nend\n')
        self.assertEqual(inline.steps, split.steps)
        self.assertEqual(inline.steps, [("expect", "Box"), ("text", "Hello."), ("press", "No"),
                                        ("end", "")])

    def test_setup_checks_and_variables(self):
        s = self.parse('installer damaged\ncwd C:\\T\nmkdir C:\\T\\a\n'
                       'file C:\\T\\x same-as ${SRC}/x\nprofile t.ini Options dataDir "C:\\T"\n',
                       {"SRC": "/src"})
        self.assertEqual((s.installer, s.cwd), ("damaged", "C:\\T"))
        self.assertEqual([w for _, w in s.setup], [["mkdir", "C:\\T\\a"]])
        self.assertEqual([w for _, w in s.checks],
                         [["file", "C:\\T\\x", "same-as", "/src/x"],
                          ["profile", "t.ini", "Options", "dataDir", "C:\\T"]])

    def test_mistakes_are_reported_with_their_line(self):
        for text in ('expect "Box" press\n', "expect\n", "frobnicate x\n", 'expect "B" click OK\n'):
            with self.subTest(text=text):
                with self.assertRaisesRegex(rs.ScenarioError, r":1: "):
                    self.parse(text)


class Paths(unittest.TestCase):
    def test_windows_paths_map_into_the_prefix_without_regard_to_case(self):
        with tempfile.TemporaryDirectory() as prefix:
            os.makedirs(os.path.join(prefix, "drive_c", "Program Files", "Tovalin"))
            os.makedirs(os.path.join(prefix, "dosdevices"))
            os.symlink("../drive_c", os.path.join(prefix, "dosdevices", "c:"))
            drive_c = os.path.realpath(os.path.join(prefix, "drive_c"))
            self.assertEqual(rs.unix_path(prefix, r"c:\PROGRAM FILES\tovalin\tov32.exe"),
                             os.path.join(drive_c, "Program Files", "Tovalin", "tov32.exe"))
            self.assertEqual(rs.unix_path(prefix, "C:\\"), drive_c)
            with self.assertRaises(rs.ScenarioError):
                rs.unix_path(prefix, r"relative\path")

    def test_linux_paths_are_shown_on_drive_z(self):
        self.assertEqual(rs.windows_path("/tmp/a b/x.exe"), r"Z:\tmp\a b\x.exe")


class DamagedCopy(unittest.TestCase):
    def test_one_byte_inside_the_first_piece_is_flipped(self):
        pieces = bytes([0x78, 0x9C]) + bytes(range(256)) * 2
        image = b"MZ header" + b"\0" * 100 + pieces + b"trailer"
        with tempfile.TemporaryDirectory() as d:
            for name, data in (("setup.exe", image), ("payload.bin", pieces)):
                with open(os.path.join(d, name), "wb") as f:
                    f.write(data)
            damaged, offset = rs.damaged_copy(os.path.join(d, "setup.exe"),
                                              os.path.join(d, "payload.bin"), d)
            with open(damaged, "rb") as f:
                copy = f.read()
        differing = [i for i in range(len(image)) if image[i] != copy[i]]
        self.assertEqual(differing, [offset])
        self.assertTrue(image.find(pieces) < offset < image.find(pieces) + len(pieces))

    def test_a_payload_not_found_once_is_refused(self):
        pieces = bytes(range(256))
        with tempfile.TemporaryDirectory() as d:
            for image in (b"no payload here" * 30, pieces + pieces):
                with open(os.path.join(d, "setup.exe"), "wb") as f:
                    f.write(image)
                with open(os.path.join(d, "payload.bin"), "wb") as f:
                    f.write(pieces)
                with self.assertRaises(rs.ScenarioError):
                    rs.damaged_copy(os.path.join(d, "setup.exe"), os.path.join(d, "payload.bin"), d)


class Profile(unittest.TestCase):
    def test_sections_and_keys_match_without_regard_to_case(self):
        with tempfile.NamedTemporaryFile("w", suffix=".ini", delete=False) as f:
            f.write("[options]\r\nDATADIR=C:\\Tovalin\\\r\n[Other]\r\nx = 1\r\n")
        try:
            profile = rs.read_profile(f.name)
        finally:
            os.remove(f.name)
        self.assertEqual(profile["options"]["datadir"], "C:\\Tovalin\\")
        self.assertEqual(profile["other"]["x"], "1")


if __name__ == "__main__":
    unittest.main()
