"""Writes a registry hive file ("regf", version 1.3) the way Windows' own power-scheme exports are
laid out, so that `powercfg -IMPORT` loads it.

The Windows loader checks far more than the lenient Linux readers do, so every record is written
as a real export carries it: key nodes with the longest-name and largest-data fields filled,
fast-leaf (`lf`) subkey lists sorted by upper-cased name, small data inline in the value record,
one security cell per distinct descriptor with an exact reference count, bins of 4 KiB tiled
without gaps, and the base block checksum. Nothing depends on the clock or the machine: the same
tree and timestamp give the same bytes.
"""

import struct
import uuid

from security import POWER_SCHEME_DESCRIPTOR

REG_NONE = 0
REG_SZ = 1
REG_EXPAND_SZ = 2
REG_BINARY = 3
REG_DWORD = 4
REG_MULTI_SZ = 7
REG_QWORD = 11

KEY_HIVE_ENTRY = 0x0004
KEY_NO_DELETE = 0x0008
KEY_COMP_NAME = 0x0020
VALUE_COMP_NAME = 0x0001

NO_OFFSET = 0xFFFFFFFF
BASE_BLOCK_SIZE = 4096
BIN_SIZE = 4096
BIN_HEADER_SIZE = 32
INLINE_DATA = 0x80000000
# Version 1.3 has no big-data records; a value cell holds at most this much.
MAX_DATA_SIZE = 16344
MAX_KEY_NAME = 255
MAX_VALUE_NAME = 16383
MAX_SUBKEYS = 0xFFFF  # lf element count is 16 bits and we never split into an index root

# 2024-01-01T00:00:00Z. Exports carry real write times; ours carry this unless told otherwise.
DEFAULT_TIMESTAMP = 133485408000000000
_FILETIME_UNIX_EPOCH = 116444736000000000

_RESOURCE_MANAGER_NAMESPACE = uuid.UUID('6d0c7a4e-3b1f-4f57-9b0e-8f3c5a1d2e40')


class HiveError(ValueError):
    """The tree cannot be written as a valid hive."""


def filetime_from_unix(seconds):
    return _FILETIME_UNIX_EPOCH + int(seconds) * 10_000_000


class Value:
    def __init__(self, name, value_type, data):
        self.name = name
        self.type = value_type
        self.data = bytes(data)

    @classmethod
    def dword(cls, name, number):
        if not 0 <= number <= 0xFFFFFFFF:
            raise HiveError('%s: %r does not fit a DWORD' % (name, number))
        return cls(name, REG_DWORD, struct.pack('<I', number))

    @classmethod
    def expand_sz(cls, name, text):
        return cls(name, REG_EXPAND_SZ, text.encode('utf-16-le') + b'\0\0')

    def __repr__(self):
        return 'Value(%r, %d, %s)' % (self.name, self.type, self.data.hex())


class Key:
    """A key of the tree to write. `security` is a self-relative descriptor; None means the
    power-scheme descriptor. Values keep the order given; subkeys are written sorted."""

    def __init__(self, name, values=(), subkeys=(), security=None, timestamp=None):
        self.name = name
        self.values = list(values)
        self.subkeys = list(subkeys)
        self.security = security
        self.timestamp = timestamp

    def subkey(self, name):
        """The child called `name` (case-insensitive), created when missing."""
        folded = upcase_key(name)
        for child in self.subkeys:
            if upcase_key(child.name) == folded:
                return child
        child = Key(name)
        self.subkeys.append(child)
        return child


def upcase_key(name):
    """Sort key of a name as the registry compares it: code points of the upper-cased characters.

    Characters whose upper case is longer than one character (German sharp s) stay as they are,
    since the kernel upcases one UTF-16 unit at a time.
    """
    out = []
    for ch in name:
        up = ch.upper()
        out.append(ord(up) if len(up) == 1 else ord(ch))
    return tuple(out)


def _encode_name(name):
    """(bytes, compressed): names that fit Latin-1 are stored one byte per character."""
    try:
        return name.encode('latin-1'), True
    except UnicodeEncodeError:
        return name.encode('utf-16-le'), False


def _utf16_length(name):
    return len(name.encode('utf-16-le'))


def _name_hint(name):
    """First four characters of a key name for an lf element; null when one is not Latin-1."""
    head = name[:4]
    try:
        hint = head.encode('latin-1')
    except UnicodeEncodeError:
        return b'\0\0\0\0'
    return hint.ljust(4, b'\0')


def _align8(n):
    return (n + 7) & ~7


def checksum(base_block):
    """XOR of the first 127 dwords; 0 and 0xFFFFFFFF are reserved and replaced."""
    c = 0
    for (dword,) in struct.iter_unpack('<I', base_block[:508]):
        c ^= dword
    if c == 0xFFFFFFFF:
        return 0xFFFFFFFE
    if c == 0:
        return 1
    return c


class _Cell:
    """One allocated cell; `render` produces its data once every offset is known."""

    def __init__(self, size, render):
        self.size = _align8(4 + size)
        self.render = render
        self.offset = None


class HiveWriter:
    def __init__(self, root, timestamp=DEFAULT_TIMESTAMP, default_security=POWER_SCHEME_DESCRIPTOR):
        self.root = root
        self.timestamp = timestamp
        self.default_security = default_security
        self.cells = []

    # -- checks ------------------------------------------------------------------------------

    def _check(self, key, is_root):
        if not key.name and not is_root:
            raise HiveError('a subkey needs a name')
        if len(key.name) > MAX_KEY_NAME or '\\' in key.name:
            raise HiveError('bad key name %r' % key.name)
        if len(key.subkeys) > MAX_SUBKEYS:
            raise HiveError('%s: too many subkeys' % key.name)
        seen = set()
        for child in key.subkeys:
            folded = upcase_key(child.name)
            if folded in seen:
                raise HiveError('%s: two subkeys called %r' % (key.name, child.name))
            seen.add(folded)
        seen = set()
        for value in key.values:
            folded = upcase_key(value.name)
            if folded in seen:
                raise HiveError('%s: two values called %r' % (key.name, value.name))
            seen.add(folded)
            if len(value.name) > MAX_VALUE_NAME:
                raise HiveError('%s: value name too long' % key.name)
            if len(value.data) > MAX_DATA_SIZE:
                raise HiveError('%s\\%s: %d bytes of data need big-data records, which this '
                                'writer does not make' % (key.name, value.name, len(value.data)))
            if not 0 <= value.type <= 0xFFFFFFFF:
                raise HiveError('%s\\%s: bad type' % (key.name, value.name))
        for child in key.subkeys:
            self._check(child, False)

    # -- layout ------------------------------------------------------------------------------

    def _alloc(self, size, render):
        cell = _Cell(size, render)
        self.cells.append(cell)
        return cell

    def _plan_key(self, key, parent_cell, security_cells):
        """Allocate the cells of `key` and its subtree in the order powercfg tends to write them:
        the key node, the security cell on first use, the values with their data, the value
        list, then the subkey list and the subkeys."""
        name, compressed = _encode_name(key.name)
        children = sorted(key.subkeys, key=lambda k: upcase_key(k.name))
        node = self._alloc(76 + len(name), None)

        descriptor = key.security if key.security is not None else self.default_security
        sk = security_cells.get(descriptor)
        if sk is None:
            sk = self._alloc(20 + len(descriptor), None)
            sk.descriptor = descriptor
            sk.refs = 0
            security_cells[descriptor] = sk
        sk.refs += 1

        value_cells = []
        for value in key.values:
            value_cells.append(self._plan_value(value))
        values_list = None
        if value_cells:
            values_list = self._alloc(4 * len(value_cells), lambda: b''.join(
                struct.pack('<I', vk.offset) for vk in value_cells))

        child_nodes = []
        subkey_list = None
        if children:
            subkey_list = self._alloc(4 + 8 * len(children), lambda: struct.pack(
                '<2sH', b'lf', len(children)) + b''.join(
                struct.pack('<I', node.offset) + _name_hint(child.name)
                for child, node in zip(children, child_nodes)))
        for child in children:
            child_nodes.append(self._plan_key(child, node, security_cells))

        is_root = parent_cell is None
        flags = (KEY_HIVE_ENTRY | KEY_NO_DELETE) if is_root else 0
        if compressed:
            flags |= KEY_COMP_NAME
        largest_subkey_name = max((_utf16_length(c.name) for c in children), default=0)
        largest_value_name = max((_utf16_length(v.name) for v in key.values), default=0)
        largest_data = max((len(v.data) for v in key.values), default=0)
        timestamp = key.timestamp if key.timestamp is not None else self.timestamp

        def render_node():
            return struct.pack(
                '<2sHQIIIIIIIIIIIIIIIHH', b'nk', flags, timestamp, 0,
                NO_OFFSET if is_root else parent_cell.offset,
                len(children), 0,
                subkey_list.offset if subkey_list else NO_OFFSET, NO_OFFSET,
                len(value_cells), values_list.offset if values_list else NO_OFFSET,
                sk.offset, NO_OFFSET,
                largest_subkey_name, 0, largest_value_name, largest_data, 0,
                len(name), 0) + name
        node.render = render_node
        return node

    def _plan_value(self, value):
        name, compressed = _encode_name(value.name)
        data = value.data
        data_cell = None
        if len(data) <= 4:
            size_field = INLINE_DATA | len(data)
        else:
            size_field = len(data)
            data_cell = self._alloc(len(data), lambda: data)
        flags = VALUE_COMP_NAME if compressed else 0

        def render_value():
            if data_cell is None:
                data_field = data.ljust(4, b'\0')
            else:
                data_field = struct.pack('<I', data_cell.offset)
            return struct.pack('<2sHI4sIHH', b'vk', len(name), size_field, data_field,
                               value.type, flags, 0) + name
        # The value record comes before its data cell, as in the exports.
        vk = _Cell(20 + len(name), render_value)
        self.cells.insert(len(self.cells) - (1 if data_cell else 0), vk)
        return vk

    def _place(self):
        """Give every cell an offset. A cell that does not fit the rest of the current bin opens
        a new one; the gap left behind becomes a free cell, so bins stay tiled exactly."""
        bins = []  # [offset, size, [cells]]
        used = 0
        for cell in self.cells:
            if not bins or used + cell.size > bins[-1][1]:
                start = bins[-1][0] + bins[-1][1] if bins else 0
                size = max(BIN_SIZE, -(-(BIN_HEADER_SIZE + cell.size) // BIN_SIZE) * BIN_SIZE)
                bins.append([start, size, []])
                used = BIN_HEADER_SIZE
            cell.offset = bins[-1][0] + used
            bins[-1][2].append(cell)
            used += cell.size
        return bins

    # -- output ------------------------------------------------------------------------------

    def _security_ring(self, security_cells):
        ring = list(security_cells.values())
        for i, sk in enumerate(ring):
            flink, blink = ring[(i + 1) % len(ring)], ring[i - 1]
            sk.render = (lambda sk=sk, flink=flink, blink=blink: struct.pack(
                '<2sHIIII', b'sk', 0, flink.offset, blink.offset, sk.refs, len(sk.descriptor))
                + sk.descriptor)

    def build(self):
        self._check(self.root, True)
        self.cells = []
        security_cells = {}
        self._plan_key(self.root, None, security_cells)
        self._security_ring(security_cells)
        bins = self._place()

        body = bytearray()
        for bin_offset, bin_size, cells in bins:
            chunk = bytearray(struct.pack('<4sIIQQI', b'hbin', bin_offset, bin_size, 0, 0, 0))
            for cell in cells:
                data = cell.render()
                if len(data) + 4 > cell.size:
                    raise AssertionError('cell content outgrew its size')
                chunk += struct.pack('<i', -cell.size) + data.ljust(cell.size - 4, b'\0')
            rest = bin_size - len(chunk)
            if rest:
                chunk += struct.pack('<i', rest) + bytes(rest - 4)
            assert len(chunk) == bin_size
            body += chunk

        return self._base_block(self.root.name, len(body), self.cells[0].offset) + bytes(body)

    def _base_block(self, root_name, data_size, root_offset):
        # Exports carry the transaction GUIDs of the machine that wrote them; ours are derived
        # from the root key name so that they stay fixed.
        rm_id = uuid.uuid5(_RESOURCE_MANAGER_NAMESPACE, root_name.lower())
        tm_id = uuid.UUID(int=(rm_id.int + (1 << 96)) % (1 << 128))
        block = bytearray(BASE_BLOCK_SIZE)
        struct.pack_into('<4sIIQIIIIIII', block, 0, b'regf', 1, 1, self.timestamp,
                         1, 3, 0, 1, root_offset, data_size, 1)
        block[112:128] = rm_id.bytes_le
        block[128:144] = rm_id.bytes_le
        block[148:164] = tm_id.bytes_le
        block[164:168] = b'rmtm'
        struct.pack_into('<I', block, 508, checksum(block))
        return bytes(block)


def write_hive(root, timestamp=DEFAULT_TIMESTAMP, default_security=POWER_SCHEME_DESCRIPTOR):
    """Bytes of a hive whose root key is `root`."""
    return HiveWriter(root, timestamp, default_security).build()
