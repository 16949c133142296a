"""The document builder's own layouts: string length forms, records and lists."""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "docbuilder"))
from docbuilder import Writer, abobj_part, encode_string, guid_string, interval, time_line  # noqa: E402


class StringForms(unittest.TestCase):
    def test_lengths(self):
        cases = [(0, 4), (11, 26), (254, 4 + 508), (255, 6 + 510), (300, 606), (65534, 6 + 131068),
                 (65535, 10 + 131070)]
        for n, size in cases:
            self.assertEqual(len(encode_string("x" * n)), size, n)
        self.assertEqual(encode_string("abc")[:4], b"\xff\xfe\xff\x03")
        self.assertEqual(encode_string("L" * 300)[:6], b"\xff\xfe\xff\xff\x2c\x01")
        self.assertEqual(encode_string("abc", form="u32")[:10], b"\xff\xfe\xff\xff\xff\xff\x03\x00\x00\x00")
        self.assertEqual(len(encode_string("\U0001F600")), 4 + 4)  # two UTF-16 units
        with self.assertRaises(ValueError):
            encode_string("x" * 255, form="u8")

    def test_guid(self):
        self.assertEqual(guid_string("6b29fc40-ca47-1067-b31d-00dd010662da"),
                         "{6B29FC40-CA47-1067-B31D-00DD010662DA}")


class Records(unittest.TestCase):
    def test_values(self):
        w = Writer().int64((2 << 32) | 1).point(-1, 7).short(-2).char(0x80).long(-5).u32(-1)
        self.assertEqual(w.bytes(), bytes([1, 0, 0, 0, 2, 0, 0, 0]) + struct.pack("<iihBiI", -1, 7, -2, 0x80, -5,
                                                                                   0xFFFFFFFF))

    def test_nested_records(self):
        w = Writer()
        with w.record("Outer", 2):
            w.float(1.5)
            with w.record("Inner", 1):
                w.list([1, 2], lambda w, v: w.i32(v))
        expected = (encode_string("Outer") + struct.pack("<If", 2, 1.5) + encode_string("Inner") +
                    struct.pack("<Iiii", 1, 2, 1, 2))
        self.assertEqual(w.bytes(), expected)

    def test_time_line_and_base_part(self):
        w = Writer()
        time_line(w, mode=2, intervals=[interval(2, 8, 3, 7)])
        head = encode_string("DS_TimeLineControl")
        self.assertEqual(w.bytes()[:len(head)], head)
        self.assertEqual(len(w), len(head) + 4 + 8 * 4 + 4 + 16)
        v1 = Writer()
        abobj_part(v1, name="n", version=1)
        self.assertEqual(v1.bytes(), encode_string("DS_ABObj_Constructor") + struct.pack("<I", 1) + encode_string("n"))

    def test_rectangle_and_quad(self):
        w = Writer().rectangle(1, 2, 3, 4, extra2=-6)
        self.assertEqual(w.bytes(), struct.pack("<6i", 1, 2, 3, 4, 0, -6))
        q = Writer().quad_around(100, 50, 20, 10)
        self.assertEqual(q.bytes(), struct.pack("<12f", 90, 45, 0, 90, 55, 0, 110, 45, 0, 110, 55, 0))
        with self.assertRaises(ValueError):
            Writer().quad([(0, 0, 0)])

    def test_blocks(self):
        w = Writer().resource_record(b"ab", "n", resource_id=7, module_name="m").buffer(b"", "x")
        self.assertEqual(w.bytes(), struct.pack("<I", 7) + encode_string("m") + struct.pack("<I", 2) + b"ab" +
                         encode_string("n") + struct.pack("<I", 0) + encode_string("x"))


if __name__ == "__main__":
    unittest.main()
