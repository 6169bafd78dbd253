"""A compound file ([MS-CFB]) read into memory: the streams and storages of
its directory, by path. Written for the test suite's own checks, to read the
files quorlex writes without the engine's code or libgsf; it trusts nothing
the file says and raises CompoundFileError where the file does not hold
together.
"""
import struct

SIGNATURE = b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"
FREE, END_OF_CHAIN, FAT_SECTOR, DIFAT_SECTOR = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFC
NO_STREAM = 0xFFFFFFFF
STORAGE, STREAM, ROOT = 1, 2, 5


class CompoundFileError(Exception):
    pass


class Entry:
    def __init__(self, name, kind, start, size, clsid, left, right, child):
        self.name, self.kind, self.start, self.size = name, kind, start, size
        self.clsid, self.left, self.right, self.child = clsid, left, right, child
        self.children = []
        self.data = b""


class CompoundFile:
    def __init__(self, data):
        if len(data) < 512 or data[:8] != SIGNATURE:
            raise CompoundFileError("no compound-file signature")
        self.data = data
        (minor, major, byte_order, sector_shift, mini_shift) = struct.unpack_from("<HHHHH", data, 0x18)
        if byte_order != 0xFFFE or major not in (3, 4) or sector_shift not in (9, 12) or mini_shift != 6:
            raise CompoundFileError("header fields out of range")
        self.sector_size = 1 << sector_shift
        self.mini_size = 1 << mini_shift
        (fat_count, dir_start, _, self.cutoff, mini_fat_start, mini_fat_count,
         difat_start, difat_count) = struct.unpack_from("<IIIIIIII", data, 0x2C)
        fat_sectors = list(struct.unpack_from("<109I", data, 0x4C))
        sector = difat_start
        seen = set()
        while sector not in (END_OF_CHAIN, FREE) and len(seen) < difat_count + 1:
            if sector in seen:
                raise CompoundFileError("DIFAT chain loops")
            seen.add(sector)
            words = struct.unpack_from("<%dI" % (self.sector_size // 4), self.sector(sector))
            fat_sectors.extend(words[:-1])
            sector = words[-1]
        fat_sectors = [s for s in fat_sectors if s not in (FREE, END_OF_CHAIN)][:fat_count]
        if len(fat_sectors) != fat_count:
            raise CompoundFileError("fewer FAT sectors than the header counts")
        self.fat = []
        for s in fat_sectors:
            self.fat.extend(struct.unpack_from("<%dI" % (self.sector_size // 4), self.sector(s)))
        directory = self.chain(dir_start)
        self.entries = []
        for at in range(0, len(directory) - 127, 128):
            raw = directory[at:at + 128]
            name_length, kind = struct.unpack_from("<HB", raw, 64)
            left, right, child = struct.unpack_from("<III", raw, 68)
            clsid = raw[80:96]
            start, size = struct.unpack_from("<IQ", raw, 116)
            if major == 3:
                size &= 0xFFFFFFFF
            name = raw[:max(0, name_length - 2)].decode("utf-16-le", "replace") if name_length <= 64 else ""
            self.entries.append(Entry(name, kind, start, size, clsid, left, right, child))
        if not self.entries or self.entries[0].kind != ROOT:
            raise CompoundFileError("no root entry")
        root = self.entries[0]
        self.mini_stream = self.chain(root.start)[:root.size] if root.start != END_OF_CHAIN else b""
        self.mini_fat = []
        if mini_fat_count:
            raw = self.chain(mini_fat_start)
            self.mini_fat = list(struct.unpack_from("<%dI" % (len(raw) // 4), raw))
        self.root = root
        self._tree(root, set())

    def sector(self, index):
        at = (index + 1) * self.sector_size
        if index >= 0xFFFFFFFA or at >= len(self.data):
            raise CompoundFileError("sector %d outside the file" % index)
        return self.data[at:at + self.sector_size]

    def chain(self, start):
        out, sector, seen = [], start, set()
        while sector != END_OF_CHAIN:
            if sector in seen or sector >= len(self.fat):
                raise CompoundFileError("broken sector chain at %d" % sector)
            seen.add(sector)
            out.append(self.sector(sector))
            sector = self.fat[sector]
        return b"".join(out)

    def mini_chain(self, start, size):
        out, sector, seen = [], start, set()
        while sector != END_OF_CHAIN and len(out) * self.mini_size < size:
            if sector in seen or sector >= len(self.mini_fat):
                raise CompoundFileError("broken mini-stream chain at %d" % sector)
            seen.add(sector)
            out.append(self.mini_stream[sector * self.mini_size:(sector + 1) * self.mini_size])
            sector = self.mini_fat[sector]
        return b"".join(out)

    def _siblings(self, index, seen, out):
        if index == NO_STREAM:
            return
        if index >= len(self.entries) or index in seen:
            raise CompoundFileError("directory tree broken at entry %d" % index)
        seen.add(index)
        entry = self.entries[index]
        self._siblings(entry.left, seen, out)
        out.append(entry)
        self._siblings(entry.right, seen, out)

    def _tree(self, storage, seen):
        children = []
        self._siblings(storage.child, seen, children)
        storage.children = children
        for entry in children:
            if entry.kind == STREAM:
                if entry.size < self.cutoff:
                    entry.data = self.mini_chain(entry.start, entry.size)[:entry.size]
                else:
                    entry.data = self.chain(entry.start)[:entry.size]
                if len(entry.data) != entry.size:
                    raise CompoundFileError("stream %r shorter than its size" % entry.name)
            elif entry.kind == STORAGE:
                self._tree(entry, seen)

    def find(self, name):
        """The root's stream or storage of this name, compared as [MS-CFB]
        compares names: without regard to case."""
        for entry in self.root.children:
            if entry.name.upper() == name.upper():
                return entry
        return None


def read(path):
    with open(path, "rb") as f:
        return CompoundFile(f.read())
