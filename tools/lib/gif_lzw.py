"""GIF's LZW data, written byte by byte: the artwork's logo and the reader's test fixtures share it.

CodeWriter packs codes least significant bit first and keeps the code size the way a decoder
does, so a caller can also put codes by hand (a fixture that lets the table fill up, say).
"""

MAX_CODES = 4096


class CodeWriter:
    """Packs LZW codes least significant bit first, tracking the code size as a decoder does."""

    def __init__(self, min_code_size):
        self.min = min_code_size
        self.clear = 1 << min_code_size
        self.bits = 0
        self.count = 0
        self.out = bytearray()
        self.reset()

    def reset(self):
        self.size = self.min + 1
        self.next = self.clear + 2
        self.first = True

    def put(self, code):
        self.bits |= code << self.count
        self.count += self.size
        while self.count >= 8:
            self.out.append(self.bits & 0xFF)
            self.bits >>= 8
            self.count -= 8
        if code == self.clear:
            self.reset()
            return
        if not self.first and self.next < MAX_CODES:
            self.next += 1
            if self.next == 1 << self.size and self.size < 12:
                self.size += 1
        self.first = False

    def data(self):
        if self.count:
            self.out.append(self.bits & 0xFF)
        return bytes(self.out)


def lzw_encode(indices, min_code_size):
    """A plain encoder: a clear first, a clear as soon as the table is full, the end code last."""
    writer = CodeWriter(min_code_size)
    clear = 1 << min_code_size
    writer.put(clear)
    table, next_code = {}, clear + 2
    prefix = indices[0]
    for index in indices[1:]:
        code = table.get((prefix, index))
        if code is not None:
            prefix = code
            continue
        writer.put(prefix)
        table[(prefix, index)] = next_code
        next_code += 1
        if next_code == MAX_CODES:
            writer.put(clear)
            table, next_code = {}, clear + 2
        prefix = index
    writer.put(prefix)
    writer.put(clear + 1)
    return writer.data()


def sub_blocks(data):
    """Data as GIF sub-blocks of at most 255 bytes, ended by an empty one."""
    out = bytearray()
    for i in range(0, len(data), 255):
        piece = data[i:i + 255]
        out.append(len(piece))
        out += piece
    out.append(0)
    return bytes(out)
