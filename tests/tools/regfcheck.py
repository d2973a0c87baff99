"""A strict reader of registry hive files for the power-plan tests.

It is written apart from the writer in tools/powerplan on purpose: it decodes the records from the
format description alone and reports everything the Windows loader would object to (the lenient
Linux readers accept much more). `parse` gives the records, `problems` the list of faults.
"""

import struct

NO_OFFSET = 0xFFFFFFFF


def u32(b, o):
    return struct.unpack_from('<I', b, o)[0]


def upcase(name):
    return tuple(ord(c.upper()) if len(c.upper()) == 1 else ord(c) for c in name)


def xor_checksum(block):
    c = 0
    for i in range(0, 508, 4):
        c ^= u32(block, i)
    return {0: 1, 0xFFFFFFFF: 0xFFFFFFFE}.get(c, c)


class Hive:
    """Records of one hive file: base block fields, bins, cells and the key tree."""

    def __init__(self, data):
        self.data = data
        self.problems = []
        self.cells = {}        # offset -> (size, allocated)
        self.bins = []         # (offset, size)
        self.keys = {}         # path tuple -> key record dict
        self.security = {}     # offset -> sk record dict
        self.reached = set()   # allocated cells some record points to
        self._parse()

    def fault(self, text):
        self.problems.append(text)

    # -- containers ------------------------------------------------------------------------

    def _parse(self):
        b = self.data
        if len(b) < 4096 or b[:4] != b'regf':
            self.fault('no regf base block')
            return
        (self.primary_seq, self.secondary_seq, self.timestamp, self.major, self.minor,
         self.file_type, self.file_format, self.root_offset, self.data_size,
         self.clustering) = struct.unpack_from('<IIQIIIIIII', b, 4)
        self.file_name = b[48:112]
        self.rm_id, self.log_id = b[112:128], b[128:144]
        self.tm_flags = u32(b, 144)
        self.tm_id, self.guid_signature = b[148:164], b[164:168]
        self.stored_checksum = u32(b, 508)
        if self.primary_seq != self.secondary_seq:
            self.fault('sequence numbers differ: the hive looks half-written')
        if (self.major, self.minor, self.file_type, self.file_format) != (1, 3, 0, 1):
            self.fault('version %d.%d type %d format %d' % (self.major, self.minor,
                                                             self.file_type, self.file_format))
        if self.stored_checksum != xor_checksum(b):
            self.fault('base block checksum %#x, should be %#x' % (self.stored_checksum,
                                                                   xor_checksum(b)))
        if self.data_size != len(b) - 4096 or self.data_size % 4096:
            self.fault('hive bins data size %#x for a file of %#x bytes' % (self.data_size, len(b)))
        self._parse_bins()
        if self.root_offset not in self.cells:
            self.fault('root offset %#x is not a cell' % self.root_offset)
            return
        self._parse_key(self.root_offset, NO_OFFSET, (), True)
        self._check_security()
        unused = [o for o, (s, used) in self.cells.items() if used and o not in self.reached]
        if unused:
            self.fault('allocated cells nothing points to: %s' % ', '.join(map(hex, unused)))

    def _parse_bins(self):
        b = self.data
        pos = 4096
        while pos < len(b):
            offset = pos - 4096
            if b[pos:pos + 4] != b'hbin':
                self.fault('no hbin at %#x' % offset)
                return
            bin_offset, size = struct.unpack_from('<II', b, pos + 4)
            if bin_offset != offset:
                self.fault('bin at %#x says it is at %#x' % (offset, bin_offset))
            if size == 0 or size % 4096 or pos + size > len(b):
                self.fault('bin at %#x has size %#x' % (offset, size))
                return
            self.bins.append((offset, size))
            cell = offset + 32
            end = offset + size
            while cell < end:
                raw = struct.unpack_from('<i', b, 4096 + cell)[0]
                length = abs(raw)
                if length < 8 or length % 8:
                    self.fault('cell at %#x has size %d' % (cell, raw))
                    return
                if cell + length > end:
                    self.fault('cell at %#x (%d bytes) crosses the end of the bin at %#x'
                               % (cell, length, end))
                    return
                self.cells[cell] = (length, raw < 0)
                cell += length
            pos += size

    def cell(self, offset, what):
        """Data of the allocated cell at `offset`, or None after reporting why not."""
        if offset not in self.cells:
            self.fault('%s points to %#x, which is no cell' % (what, offset))
            return None
        size, used = self.cells[offset]
        if not used:
            self.fault('%s points to the free cell at %#x' % (what, offset))
            return None
        self.reached.add(offset)
        start = 4096 + offset + 4
        return self.data[start:start + size - 4]

    # -- records ---------------------------------------------------------------------------

    def _name(self, raw, compressed):
        return raw.decode('latin-1') if compressed else raw.decode('utf-16-le')

    def _parse_key(self, offset, parent, parent_path, is_root):
        d = self.cell(offset, 'key')
        if d is None or d[:2] != b'nk':
            self.fault('key at %#x is no nk record' % offset)
            return None
        f = struct.unpack_from('<HQ' + 'I' * 15 + 'HH', d, 2)
        k = dict(zip(('flags', 'timestamp', 'access', 'parent', 'subkey_count',
                      'volatile_count', 'subkey_list', 'volatile_list', 'value_count',
                      'value_list', 'security', 'class_offset', 'largest_subkey_name',
                      'largest_subkey_class', 'largest_value_name', 'largest_data',
                      'workvar', 'name_length', 'class_length'), f))
        k['offset'] = offset
        k['cell_size'] = self.cells[offset][0]
        k['name'] = self._name(d[76:76 + k['name_length']], k['flags'] & 0x20)
        path = parent_path + (k['name'],) if not is_root else ()
        where = '/'.join(path) or 'root'
        self.keys[path] = k
        want_flags = (0x2C if is_root else 0x20) if k['flags'] & 0x20 else (0x0C if is_root else 0)
        if k['flags'] != want_flags:
            self.fault('%s: key flags %#x' % (where, k['flags']))
        if k['parent'] != parent:
            self.fault('%s: parent %#x, should be %#x' % (where, k['parent'], parent))
        if k['class_offset'] != NO_OFFSET or k['class_length'] or k['volatile_count']:
            self.fault('%s: has a class or volatile subkeys' % where)

        # values
        k['values'] = []
        if k['value_count']:
            lst = self.cell(k['value_list'], where + ' value list')
            if lst is not None:
                for i in range(k['value_count']):
                    v = self._parse_value(u32(lst, 4 * i), where)
                    if v:
                        k['values'].append(v)
        elif k['value_list'] != NO_OFFSET:
            self.fault('%s: no values but a value list' % where)
        names = [upcase(v['name']) for v in k['values']]
        if len(set(names)) != len(names):
            self.fault('%s: two values with the same name' % where)
        want = max((len(v['name'].encode('utf-16-le')) for v in k['values']), default=0)
        if k['largest_value_name'] != want:
            self.fault('%s: largest value name %d, should be %d'
                       % (where, k['largest_value_name'], want))
        want = max((v['size'] for v in k['values']), default=0)
        if k['largest_data'] != want:
            self.fault('%s: largest data %d, should be %d' % (where, k['largest_data'], want))

        # security
        sk = self._parse_security(k['security'], where)
        if sk is not None:
            sk['users'] += 1
        k['descriptor'] = sk['descriptor'] if sk else None

        # subkeys
        k['subkeys'] = []
        k['list'] = None
        if k['subkey_count']:
            lst = self.cell(k['subkey_list'], where + ' subkey list')
            if lst is not None:
                self._parse_subkeys(k, lst, path, where)
        elif k['subkey_list'] != NO_OFFSET:
            self.fault('%s: no subkeys but a subkey list' % where)
        want = max((len(n.encode('utf-16-le')) for n in k['subkeys']), default=0)
        if (k['largest_subkey_name'] & 0xFFFF) != want:
            self.fault('%s: largest subkey name %d, should be %d'
                       % (where, k['largest_subkey_name'] & 0xFFFF, want))
        return k

    def _parse_subkeys(self, k, lst, path, where):
        sig, count = struct.unpack_from('<2sH', lst, 0)
        k['list'] = {'signature': sig, 'count': count, 'cell_size': self.cells[k['subkey_list']][0],
                     'hints': []}
        if sig != b'lf':
            self.fault('%s: subkey list is %r, exports use lf' % (where, sig))
            return
        if count != k['subkey_count']:
            self.fault('%s: lf holds %d subkeys, key says %d' % (where, count, k['subkey_count']))
        children = []
        for i in range(count):
            child_offset = u32(lst, 4 + 8 * i)
            hint = lst[8 + 8 * i:12 + 8 * i]
            child = self._parse_key(child_offset, k['offset'], path, False)
            if child is None:
                continue
            try:
                want = child['name'][:4].encode('latin-1').ljust(4, b'\0')
            except UnicodeEncodeError:
                want = None
            if want is not None and hint != want:
                self.fault('%s: hint %r for %s' % (where, hint, child['name']))
            if want is None and hint[0] != 0:
                self.fault('%s: hint %r for a non-Latin-1 name' % (where, hint))
            k['list']['hints'].append(hint)
            children.append(child['name'])
        keys = [upcase(n) for n in children]
        if any(a >= b for a, b in zip(keys, keys[1:])):
            self.fault('%s: subkey list not sorted by upper-cased name: %s' % (where, children))
        k['subkeys'] = children

    def _parse_value(self, offset, where):
        d = self.cell(offset, where + ' value')
        if d is None or d[:2] != b'vk':
            self.fault('%s: value at %#x is no vk record' % (where, offset))
            return None
        name_length, size_field, data_field, vtype, flags, spare = struct.unpack_from(
            '<HIIIHH', d, 2)
        v = {'offset': offset, 'cell_size': self.cells[offset][0], 'name_length': name_length,
             'size_field': size_field, 'type': vtype, 'flags': flags, 'spare': spare,
             'name': self._name(d[20:20 + name_length], flags & 1)}
        size = size_field & 0x7FFFFFFF
        v['size'] = size
        if size_field & 0x80000000:
            if size > 4:
                self.fault('%s\\%s: inline data of %d bytes' % (where, v['name'], size))
            v['data'] = d[8:12][:size]
            v['inline_field'] = d[8:12]
        else:
            if size <= 4:
                self.fault('%s\\%s: %d bytes of data not stored inline' % (where, v['name'], size))
            cell = self.cell(data_field, '%s\\%s data' % (where, v['name']))
            if cell is not None and len(cell) < size:
                self.fault('%s\\%s: data cell smaller than the data' % (where, v['name']))
            v['data'] = cell[:size] if cell is not None else b''
        return v

    def _parse_security(self, offset, where):
        if offset in self.security:
            self.reached.add(offset)
            return self.security[offset]
        d = self.cell(offset, where + ' security')
        if d is None or d[:2] != b'sk':
            self.fault('%s: security at %#x is no sk record' % (where, offset))
            return None
        reserved, flink, blink, refs, length = struct.unpack_from('<HIIII', d, 2)
        sk = {'offset': offset, 'cell_size': self.cells[offset][0], 'reserved': reserved,
              'flink': flink, 'blink': blink, 'refs': refs, 'users': 0,
              'descriptor': d[20:20 + length]}
        if len(sk['descriptor']) != length:
            self.fault('sk at %#x: descriptor longer than its cell' % offset)
        self.security[offset] = sk
        return sk

    def _check_security(self):
        for offset, sk in self.security.items():
            if sk['refs'] != sk['users']:
                self.fault('sk at %#x: reference count %d, but %d keys use it'
                           % (offset, sk['refs'], sk['users']))
            for link in ('flink', 'blink'):
                if sk[link] not in self.security:
                    self.fault('sk at %#x: %s %#x is no security cell of a key'
                               % (offset, link, sk[link]))
            if sk['flink'] in self.security and self.security[sk['flink']]['blink'] != offset:
                self.fault('sk at %#x: ring broken after it' % offset)
        descriptors = [sk['descriptor'] for sk in self.security.values()]
        if len(set(descriptors)) != len(descriptors):
            self.fault('the same descriptor is stored in more than one sk cell')


def parse(data):
    return Hive(data)


def problems(data):
    return Hive(data).problems


def content(hive):
    """{key path: [(value name, type, data), ...]} in stored order: what a hive says."""
    return {path: [(v['name'], v['type'], v['data']) for v in k['values']]
            for path, k in hive.keys.items()}
