"""Writes scene documents byte by byte.

An independent writer of the document's byte layout (little-endian, unaligned, no record
lengths), kept apart from the player's reading code so that a fault in either shows as
a mismatch. Import it from tools and tests:

    import sys; sys.path.insert(0, "<repo>/tools/docbuilder")
    from docbuilder import Writer, time_line, abobj_part

    w = Writer()
    w.string("KVQ v 4.0.0")                      # a document's header string
    with w.record("DS_GrassConstructor", 1):      # class name, version, then the fields
        w.float(3.0)
        with w.record("DS_BaseSpriteProp", 7):
            ...
    w.list(objects, lambda w, obj: obj(w))        # u32 count, then each item
    data = w.bytes()

A record is only a class name and a version followed by whatever the block writes; the
builder never checks fields against a class, so fixtures can hold deliberately odd values.
"""

import struct
import uuid
from contextlib import contextmanager

__all__ = [
    "Writer", "encode_string", "time_line", "abobj_part", "interval", "guid_string",
]

STRING_MARKER = b"\xff\xfe\xff"


def encode_string(text, form=None):
    """The document's string layout: three marker bytes, the length, UTF-16LE units.

    form: None picks the shortest length field (one byte below 255, 16 bits below 65535,
    else 32 bits); "u8", "u16" or "u32" forces one, which the reader must accept too.
    The length counts UTF-16 code units, so characters outside the BMP count twice.
    """
    units = text.encode("utf-16-le")
    n = len(units) // 2
    if form is None:
        form = "u8" if n < 255 else "u16" if n < 0xFFFF else "u32"
    if form == "u8":
        if n >= 255:
            raise ValueError("a one-byte length holds at most 254")
        head = bytes([n])
    elif form == "u16":
        if n >= 0xFFFF:
            raise ValueError("a 16-bit length holds at most 65534")
        head = b"\xff" + struct.pack("<H", n)
    elif form == "u32":
        head = b"\xff\xff\xff" + struct.pack("<I", n)
    else:
        raise ValueError("unknown length form %r" % (form,))
    return STRING_MARKER + head + units


def guid_string(value):
    """The registry form of a GUID: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper case."""
    if not isinstance(value, uuid.UUID):
        value = uuid.UUID(str(value))
    return "{" + str(value).upper() + "}"


class Writer:
    """Appends values in the archive's layouts. Every method returns the writer."""

    def __init__(self):
        self.buf = bytearray()

    # -- the twelve archive values -------------------------------------------------------
    def string(self, text, form=None):
        self.buf += encode_string(text, form)
        return self

    def int64(self, value):
        self.buf += struct.pack("<q" if value < 0 else "<Q", value)
        return self

    def float(self, value):
        self.buf += struct.pack("<f", value)
        return self

    def point(self, x, y):
        self.buf += struct.pack("<ii", x, y)
        return self

    def u32(self, value):
        self.buf += struct.pack("<I", value & 0xFFFFFFFF)
        return self

    def i32(self, value):
        self.buf += struct.pack("<i", value)
        return self

    long = i32  # WriteLong: a 32-bit value

    def short(self, value):
        self.buf += struct.pack("<h" if value < 0 else "<H", value)
        return self

    def char(self, value):
        self.buf += struct.pack("<B", value & 0xFF)
        return self

    byte = char

    def resource_record(self, data=b"", name="", resource_id=0, module_name=""):
        """u32 resource id; string module name; u32 size n; n bytes; string name."""
        self.u32(resource_id)
        self.string(module_name)
        self.u32(len(data))
        self.buf += bytes(data)
        self.string(name)
        return self

    def buffer(self, data=b"", name=""):
        """A named buffer: u32 size n; n bytes; string name."""
        self.u32(len(data))
        self.buf += bytes(data)
        self.string(name)
        return self

    # -- shapes built from them -----------------------------------------------------------
    def vec3(self, x, y, z):
        return self.float(x).float(y).float(z)

    def guid(self, value):
        return self.string(guid_string(value))

    def rectangle(self, left, right, top, bottom, extra1=0, extra2=0):
        """A rectangle parameter's record: six 32-bit values, left, right, top, bottom,
        then the two further integers its owner keeps with it."""
        for value in (left, right, top, bottom, extra1, extra2):
            self.i32(value)
        return self

    def quad(self, corners):
        """A quad parameter's record: four corners (x, y, z) in triangle-strip order:
        (left, top), (left, bottom), (right, top), (right, bottom)."""
        corners = list(corners)
        if len(corners) != 4:
            raise ValueError("a quad has four corners")
        for corner in corners:
            self.vec3(*corner)
        return self

    def quad_around(self, cx, cy, width, height, z=0.0):
        """A quad centred on (cx, cy) with the given width and height."""
        hw, hh = width / 2.0, height / 2.0
        return self.quad([(cx - hw, cy - hh, z), (cx - hw, cy + hh, z), (cx + hw, cy - hh, z), (cx + hw, cy + hh, z)])

    def raw(self, data):
        self.buf += bytes(data)
        return self

    def list(self, items, write_item):
        """A counted list: u32 count, then write_item(writer, item) for each item."""
        items = list(items)
        self.u32(len(items))
        for item in items:
            write_item(self, item)
        return self

    @contextmanager
    def record(self, class_name, version):
        """An object record (or a nested base part / member): class name, u32 version,
        then whatever the with-block writes."""
        self.string(class_name)
        self.u32(version)
        yield self

    def part(self, writer_fn, *args, **kwargs):
        """Calls writer_fn(self, ...): lets scene helpers be chained."""
        writer_fn(self, *args, **kwargs)
        return self

    def bytes(self):
        return bytes(self.buf)

    def __len__(self):
        return len(self.buf)


# -- records of the scene core ------------------------------------------------------------

def written(write, *args, **kwargs):
    """The bytes of write(w, *args, **kwargs) into a new Writer: one record or part."""
    w = Writer()
    write(w, *args, **kwargs)
    return w.bytes()


def interval(start, end, fade_in_end=None, fade_out_start=None):
    """A time-line interval in seconds: (start, end, fade-in end, fade-out start)."""
    return (start, end, start if fade_in_end is None else fade_in_end,
            end if fade_out_start is None else fade_out_start)


def time_line(w, mode=0, fade_target=0, hidden=(100, 100), shown=(100, 100),
              fade_in=50, fade_out=50, intervals=(), version=1,
              class_name="DS_TimeLineControl"):
    """A complete "DS_TimeLineControl" record. Times in hundredths of a second, except the
    intervals (seconds). mode: 0 always shown, 1 random cycle, 2 intervals."""
    with w.record(class_name, version):
        w.long(mode).long(fade_target)
        w.i32(hidden[0]).i32(hidden[1]).i32(shown[0]).i32(shown[1])
        w.i32(fade_in).i32(fade_out)
        w.list(intervals, lambda w, iv: [w.float(v) for v in iv])
    return w


def abobj_part(w, name="", depth=100, version=3, time_line_args=None,
               class_name="DS_ABObj_Constructor"):
    """The "DS_ABObj_Constructor" base part: name; depth (version > 2); time line record
    (version > 1). time_line_args: keyword arguments of time_line()."""
    with w.record(class_name, version):
        w.string(name)
        if version > 2:
            w.i32(depth)
        if version > 1:
            time_line(w, **(time_line_args or {}))
    return w
