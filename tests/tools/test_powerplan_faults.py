"""Faults a hive writer can make that Linux readers shrug off but Windows refuses: each one is
planted in a good file to prove the strict reader sees it, and the writer is driven into the
situations where it would make it."""

import os
import shutil
import struct
import tempfile
import unittest

import powerplan_support as support
import regfcheck
import regf
from regf import HiveError, Key, Value, write_hive


def _cells_of_bin(hive, bin_offset, bin_size):
    return sorted(o for o in hive.cells if bin_offset <= o < bin_offset + bin_size)


def _wide_tree(count):
    """Enough keys to need several bins."""
    return Key('root', values=[Value.expand_sz('FriendlyName', 'wide')], subkeys=[
        Key('%08x-0000-4000-8000-000000000000' % (i * 7919), values=[Value.dword('ACSettingIndex', i)])
        for i in range(count)])


def _hivex_tree(data):
    import hivex
    tmp = tempfile.mkdtemp(prefix='powerplan-')
    try:
        path = os.path.join(tmp, 'hive')
        with open(path, 'wb') as handle:
            handle.write(data)
        h = hivex.Hivex(path)
        tree = {}

        def walk(node, where):
            tree[where] = sorted((h.value_key(v),) + h.value_value(v) for v in h.node_values(node))
            for child in h.node_children(node):
                walk(child, where + (h.node_name(child),))
        walk(h.root(), ())
        return tree
    finally:
        shutil.rmtree(tmp)


class StrictReaderSeesPlantedFaults(unittest.TestCase):
    def setUp(self):
        self.good = bytearray(support.shipped_plan_bytes())
        self.hive = regfcheck.parse(bytes(self.good))
        self.assertEqual(self.hive.problems, [])

    def assertFault(self, data, words):
        found = regfcheck.problems(bytes(data))
        self.assertTrue(any(words in p for p in found), found)

    def test_unsorted_subkey_list(self):
        at = 4096 + self.hive.keys[()]['subkey_list'] + 4 + 4
        first, second = self.good[at:at + 8], self.good[at + 8:at + 16]
        self.good[at:at + 16] = second + first
        self.assertFault(self.good, 'not sorted')

    def test_wrong_checksum(self):
        self.good[12] ^= 1  # a timestamp bit, checksum left as it was
        self.assertFault(self.good, 'checksum')

    def test_wrong_reference_count(self):
        (sk_offset,) = self.hive.security
        at = 4096 + sk_offset + 4 + 12
        struct.pack_into('<I', self.good, at, struct.unpack_from('<I', self.good, at)[0] - 1)
        self.assertFault(self.good, 'reference count')

    def test_cell_crossing_a_bin_boundary(self):
        data = bytearray(write_hive(_wide_tree(60)))
        hive = regfcheck.parse(bytes(data))
        self.assertEqual(hive.problems, [])
        self.assertGreater(len(hive.bins), 1)
        bin_offset, bin_size = hive.bins[0]
        last_used = [o for o in _cells_of_bin(hive, bin_offset, bin_size) if hive.cells[o][1]][-1]
        reach = bin_offset + bin_size - last_used + 8
        struct.pack_into('<i', data, 4096 + last_used, -reach)
        self.assertFault(data, 'crosses the end of the bin')


class WriterKeepsTheRules(unittest.TestCase):
    def test_subkeys_sorted_by_upper_cased_name(self):
        # '_' sits between the upper- and the lower-case letters, so a plain or a lower-cased
        # sort gives a different order than the one Windows looks keys up by.
        names = ['_x', 'ax', 'B', 'a_']
        data = write_hive(Key('root', subkeys=[Key(n) for n in names]))
        hive = regfcheck.parse(data)
        self.assertEqual(hive.problems, [])
        self.assertEqual(hive.keys[()]['subkeys'], ['ax', 'a_', 'B', '_x'])
        self.assertEqual(sorted(_hivex_tree(data)), [()] + [(n,) for n in sorted(names)])

    def test_many_keys_fill_several_bins_without_a_crossing(self):
        data = write_hive(_wide_tree(300))
        hive = regfcheck.parse(data)
        self.assertEqual(hive.problems, [])
        self.assertGreater(len(hive.bins), 4)
        self.assertTrue(all(size == 4096 for _, size in hive.bins))
        self.assertEqual(len(_hivex_tree(data)), 301)
        (sk,) = hive.security.values()
        self.assertEqual(sk['refs'], 301)

    def test_large_value_gets_a_larger_bin(self):
        big = bytes(range(256)) * 63 + bytes(216)  # 16344 bytes, the most one cell may hold
        data = write_hive(Key('root', values=[Value('blob', regf.REG_BINARY, big)],
                              subkeys=[Key('after')]))
        hive = regfcheck.parse(data)
        self.assertEqual(hive.problems, [])
        self.assertIn(16384, [size for _, size in hive.bins])  # 32 + 4 + 16344 + 4 of padding
        self.assertEqual(_hivex_tree(data)[()], [('blob', regf.REG_BINARY, big)])
        with self.assertRaises(HiveError):
            write_hive(Key('root', values=[Value('blob', regf.REG_BINARY, big + b'!')]))

    def test_small_data_inline_and_names_beyond_latin1(self):
        values = [Value('v%d' % n, regf.REG_BINARY, bytes(range(1, n + 1))) for n in (0, 3, 4, 5)]
        data = write_hive(Key('root', values=values, subkeys=[Key('전원'), Key('Ünïcode')]))
        hive = regfcheck.parse(data)
        self.assertEqual(hive.problems, [])
        stored = {v['name']: v['size_field'] for v in hive.keys[()]['values']}
        self.assertEqual(stored, {'v0': 0x80000000, 'v3': 0x80000003, 'v4': 0x80000004, 'v5': 5})
        self.assertEqual(hive.keys[('전원',)]['flags'], 0)        # stored as UTF-16
        self.assertEqual(hive.keys[('Ünïcode',)]['flags'], 0x20)  # Latin-1 fits one byte a char
        tree = _hivex_tree(data)
        self.assertEqual(tree[()], sorted((v.name, v.type, v.data) for v in values))
        self.assertIn(('전원',), tree)

    def test_refuses_what_windows_would_refuse(self):
        for tree in (Key('r', subkeys=[Key('Twin'), Key('TWIN')]),
                     Key('r', values=[Value.dword('x', 1), Value.dword('X', 2)]),
                     Key('r', subkeys=[Key('a\\b')]),
                     Key('r', subkeys=[Key('')])):
            with self.subTest(tree=tree.subkeys or tree.values), self.assertRaises(HiveError):
                write_hive(tree)

    def test_same_input_same_bytes(self):
        self.assertEqual(support.shipped_plan_bytes(), support.shipped_plan_bytes())
        tree = _wide_tree(3)
        earlier, later = write_hive(tree, timestamp=1), write_hive(tree, timestamp=2)
        self.assertNotEqual(earlier, later)
        self.assertEqual(regfcheck.content(regfcheck.parse(earlier)),
                         regfcheck.content(regfcheck.parse(later)))

    def test_checksum_never_zero_or_all_ones(self):
        block = bytearray(512)
        self.assertEqual(regf.checksum(block), 1)
        struct.pack_into('<I', block, 0, 0xFFFFFFFF)
        self.assertEqual(regf.checksum(block), 0xFFFFFFFE)
        struct.pack_into('<I', block, 4, 0x12345678)
        self.assertEqual(regf.checksum(block), regfcheck.xor_checksum(block))


if __name__ == '__main__':
    support.main()
