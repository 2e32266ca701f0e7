#!/usr/bin/env python3
"""Unit tests of the scenario driver's parsing, path mapping, damaged copies and profile reading."""

import os
import struct
import tempfile
import unittest
import zlib

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
        self.assertEqual(inline.runs, split.runs)
        self.assertEqual(inline.runs[0], [("expect", "Box"), ("text", "Hello."), ("press", "No"),
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

    def test_steps_without_an_argument(self):
        s = self.parse('expect "D" closebox\nexpect "D" key Escape icon none\n')
        self.assertEqual(s.runs[0], [("expect", "D"), ("closebox", ""), ("expect", "D"),
                                     ("key", "Escape"), ("icon", "none"), ("end", "")])

    def test_rerun_starts_a_second_run_and_each_run_ends(self):
        s = self.parse('expect "A" press OK\nrerun\nexpect "B" press OK\nend\nnowindow "C"\n'
                       'file C:\\x\n')
        self.assertEqual(s.runs, [[("expect", "A"), ("press", "OK"), ("end", "")],
                                  [("expect", "B"), ("press", "OK"), ("end", ""),
                                   ("nowindow", "C"), ("end", "")]])
        self.assertEqual(len(s.checks), 1)

    def test_each_run_says_what_it_starts_and_how_it_must_end(self):
        s = self.parse("arguments '/S /D=C:\\a b'\nexitcode 0\nrerun\n"
                       'program shortcut "Tovalin\\Uninstall.lnk"\nexpect "U" press Yes\nrerun\n'
                       "program C:\\keep\\uninst.exe\nexitcode 8\n")
        self.assertEqual(s.run_settings, [{"arguments": "/S /D=C:\\a b", "exitcode": 0},
                                          {"program": ("shortcut", "Tovalin\\Uninstall.lnk")},
                                          {"program": "C:\\keep\\uninst.exe", "exitcode": 8}])
        self.assertEqual(s.runs, [[("end", "")], [("expect", "U"), ("press", "Yes"), ("end", "")],
                                  [("end", "")]])

    def test_mistakes_are_reported_with_their_line(self):
        for text in ('expect "Box" press\n', "expect\n", "frobnicate x\n", 'expect "B" click OK\n',
                     "rerun\n", "rerun now\n", "exitcode zero\n", "program a b\n",
                     "exitcode\n", "plantdlls /x.dll\n"):
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

    def test_start_menu_names_match_without_regard_to_case(self):
        with tempfile.TemporaryDirectory() as d:
            os.makedirs(os.path.join(d, "StartUp"))
            open(os.path.join(d, "StartUp", "Tovalin.lnk"), "w").close()
            self.assertEqual(rs.find_in(d, r"Startup\tovalin.LNK"),
                             os.path.join(d, "StartUp", "Tovalin.lnk"))
            self.assertIsNone(rs.find_in(d, r"Startup\Other.lnk"))
            self.assertIsNone(rs.find_in(d, r"StartUp\Tovalin.lnk\x"))

    def test_linux_paths_are_shown_on_drive_z(self):
        self.assertEqual(rs.windows_path("/tmp/a b/x.exe"), r"Z:\tmp\a b\x.exe")


def pe_with_payload(block):
    """A minimal PE image whose one section, ".text", of 0x200 bytes at file offset 0x200, is
    followed by `block`."""
    image = bytearray(0x400)
    image[0:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, 0x40)
    image[0x40:0x44] = b"PE\0\0"
    struct.pack_into("<HH", image, 0x44, 0x14C, 1)
    struct.pack_into("<H", image, 0x54, 0xE0)
    struct.pack_into("<8sIIII", image, 0x58 + 0xE0, b".text", 0x200, 0x1000, 0x200, 0x200)
    block = bytearray(block)
    block[0:8] = b"INSTDATA"
    struct.pack_into("<Q", block, 24, len(block))
    return bytes(image) + bytes(block)


class DamagedCopy(unittest.TestCase):
    def test_one_byte_inside_the_first_piece_is_flipped(self):
        metadata = bytearray(64)
        struct.pack_into("<I", metadata, 32, 64)
        pieces = bytes([0x78, 0x9C]) + bytes(range(256)) * 2
        image = pe_with_payload(bytes(metadata) + pieces)
        with tempfile.TemporaryDirectory() as d:
            with open(os.path.join(d, "setup.exe"), "wb") as f:
                f.write(image)
            damaged, offset = rs.damaged_copy(os.path.join(d, "setup.exe"), d)
            with open(damaged, "rb") as f:
                copy = f.read()
        differing = [i for i in range(len(image)) if image[i] != copy[i]]
        self.assertEqual(differing, [offset])
        self.assertTrue(0x400 + 64 < offset < 0x400 + 64 + len(pieces))

    def test_an_installer_without_a_piece_to_damage_is_refused(self):
        metadata = bytearray(64)
        struct.pack_into("<I", metadata, 32, 64)
        with tempfile.TemporaryDirectory() as d:
            for image in (b"MZ no payload here" * 30, pe_with_payload(bytes(metadata))):
                with open(os.path.join(d, "setup.exe"), "wb") as f:
                    f.write(image)
                with self.assertRaises(rs.ScenarioError):
                    rs.damaged_copy(os.path.join(d, "setup.exe"), d)


class PayloadFile(unittest.TestCase):
    def test_a_file_is_its_pieces_inflated_and_joined(self):
        # Two files: "a.txt" in one piece, "B.exe" in two; names and pieces as instpack lays them out.
        files = [("a.txt", [b"alpha"]), ("B.exe", [b"MZ" * 100, b"tail"])]
        pieces = [zlib.compress(p) for _, chunks in files for p in chunks]
        checks_at = (64 + 88 + 12 * len(files) + 7) & ~7
        texts_at = checks_at + 12 * len(pieces)
        metadata = bytearray(texts_at + 16)
        struct.pack_into("<III", metadata, 32, len(metadata), len(files), len(pieces))
        at, piece = texts_at, 0
        for i, (name, chunks) in enumerate(files):
            struct.pack_into("<III", metadata, 152 + 12 * i, at, len(name), len(chunks))
            metadata[at:at + len(name)] = name.encode()
            at += len(name) + 1
            for _ in chunks:
                struct.pack_into("<I", metadata, checks_at + 8 * len(pieces) + 4 * piece, len(pieces[piece]))
                piece += 1
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "setup.exe")
            with open(path, "wb") as f:
                f.write(pe_with_payload(bytes(metadata) + b"".join(pieces)))
            self.assertEqual(rs.payload_file(path, "b.EXE"), b"MZ" * 100 + b"tail")
            self.assertEqual(rs.payload_file(path, "a.txt"), b"alpha")
            with self.assertRaises(rs.ScenarioError):
                rs.payload_file(path, "uninst.exe")


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

    def test_an_entry_is_set_in_place_and_other_lines_stay(self):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "t.ini")
            rs.write_profile_entry(path, "Options", "dataDir", "C:\\a")
            self.assertEqual(rs.read_profile(path), {"options": {"datadir": "C:\\a"}})
            with open(path, "w") as f:
                f.write("[Options]\nDATADIR=old\nkeep=1\n[Other]\ndataDir=x\n")
            rs.write_profile_entry(path, "options", "dataDir", "C://data\\\\x")
            self.assertEqual(rs.read_profile(path),
                             {"options": {"datadir": "C://data\\\\x", "keep": "1"},
                              "other": {"datadir": "x"}})
            rs.write_profile_entry(path, "New", "k", "v")
            self.assertEqual(rs.read_profile(path)["new"], {"k": "v"})


def shell_link(target, workdir, unicode=True, id_list=True):
    """A shell link as the shell writes one: header, optional ID list, LinkInfo with a local base
    path, and StringData with a name and the working directory."""
    flags = 0x02 | 0x04 | 0x10 | (0x80 if unicode else 0) | (0x01 if id_list else 0)
    data = struct.pack("<I16sI", 0x4C, b"\1\x14\2\0\0\0\0\0\xc0\0\0\0\0\0\0F", flags)
    data += b"\0" * (0x4C - len(data))
    if id_list:
        data += struct.pack("<H", 6) + b"\4\0ab\0\0"
    volume = struct.pack("<4I", 16, 3, 0, 16) + b"\0"
    base = target.encode("latin-1") + b"\0"
    header = 28
    info = struct.pack("<7I", header + len(volume) + len(base) + 1, header, 1, header,
                       header + len(volume), 0, header + len(volume) + len(base)) + volume + base + b"\0"
    assert len(info) == struct.unpack_from("<I", info)[0]
    data += info
    # Wine counts the terminator in and writes it; the format leaves it out. Both are read.
    for text in ("A program", workdir + ("\0" if unicode else "")):
        data += struct.pack("<H", len(text))
        data += text.encode("utf-16-le" if unicode else "latin-1")
    return data + b"\0\0\0\0"


class Shortcut(unittest.TestCase):
    def test_target_and_working_directory_are_read(self):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "x.lnk")
            for unicode, id_list in ((True, True), (False, False)):
                with self.subTest(unicode=unicode, id_list=id_list):
                    with open(path, "wb") as f:
                        f.write(shell_link(r"C:\Program Files\Tovalin\tov32.exe",
                                           r"C:\Program Files\Tovalin", unicode, id_list))
                    link = rs.read_shortcut(path)
                    self.assertEqual(link["target"], r"C:\Program Files\Tovalin\tov32.exe")
                    self.assertEqual(link["workdir"], r"C:\Program Files\Tovalin")
                    self.assertEqual(link["name"], "A program")
            with open(path, "wb") as f:
                f.write(b"[InternetShortcut]\r\nURL=x\r\n" + b"\0" * 80)
            with self.assertRaises(ValueError):
                rs.read_shortcut(path)


if __name__ == "__main__":
    unittest.main()
