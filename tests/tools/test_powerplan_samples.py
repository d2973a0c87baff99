"""Our writer against real power-scheme exports.

Each export found in ../shared/reference/power-plan-exports is read, its content (keys, values in
stored order, descriptors, key times) is written again with our writer, and both files are
compared record by record. Offsets differ by design (Windows leaves freed cells and slack behind),
as do the fields Windows fills with leftovers: the spare word of value records, WorkVar, and the
size of over-allocated subkey lists. Without the folder the tests skip.
"""

import collections
import os
import unittest

import powerplan_support as support
import regfcheck
from regf import Key, Value, write_hive
from security import POWER_SCHEME_DESCRIPTOR

NODE_FIELDS = ('flags', 'access', 'subkey_count', 'volatile_count', 'volatile_list',
               'value_count', 'class_offset', 'largest_subkey_name', 'largest_subkey_class',
               'largest_value_name', 'largest_data', 'name_length', 'class_length', 'name',
               'cell_size', 'timestamp')
VALUE_FIELDS = ('name', 'name_length', 'size_field', 'type', 'flags', 'cell_size', 'data')
SECURITY_FIELDS = ('reserved', 'refs', 'descriptor', 'cell_size')
BASE_FIELDS = ('primary_seq', 'secondary_seq', 'major', 'minor', 'file_type', 'file_format',
               'root_offset', 'clustering', 'file_name', 'tm_flags', 'guid_signature')

SAMPLES = support.sample_files()


def rebuild(hive):
    """Key tree holding what the export holds, for our writer."""
    def make(path):
        k = hive.keys[path]
        return Key(k['name'],
                   values=[Value(v['name'], v['type'], v['data']) for v in k['values']],
                   subkeys=[make(path + (name,)) for name in k['subkeys']],
                   security=k['descriptor'], timestamp=k['timestamp'])
    return write_hive(make(()), hive.timestamp)


def security_shape(hive):
    """Descriptor -> (fields, descriptor of flink, descriptor of blink): the ring without offsets."""
    by_offset = hive.security
    return {sk['descriptor']: (tuple(sk[f] for f in SECURITY_FIELDS),
                               by_offset[sk['flink']]['descriptor'],
                               by_offset[sk['blink']]['descriptor'])
            for sk in by_offset.values()}


@unittest.skipUnless(SAMPLES, 'reference exports not found at %s' % support.SAMPLES)
class RebuildRealExports(unittest.TestCase):
    def setUp(self):
        self.pairs = []
        for path in SAMPLES:
            with open(path, 'rb') as handle:
                original = regfcheck.parse(handle.read())
            self.pairs.append((os.path.basename(path), original, regfcheck.parse(rebuild(original))))

    def test_both_sides_are_clean(self):
        for name, original, ours in self.pairs:
            with self.subTest(sample=name):
                self.assertEqual(original.problems, [], 'the strict reader rejects a real export')
                self.assertEqual(ours.problems, [])

    def test_base_block_and_bins(self):
        for name, original, ours in self.pairs:
            with self.subTest(sample=name):
                for field in BASE_FIELDS:
                    self.assertEqual(getattr(ours, field), getattr(original, field), field)
                self.assertEqual(ours.rm_id, ours.log_id)
                self.assertEqual(original.rm_id, original.log_id)
                self.assertTrue(all(size == 4096 for _, size in ours.bins))
                # Ours is packed tighter, never looser, than what Windows wrote.
                self.assertLessEqual(ours.data_size, original.data_size)

    def test_key_nodes_field_by_field(self):
        for name, original, ours in self.pairs:
            with self.subTest(sample=name):
                self.assertEqual(sorted(ours.keys), sorted(original.keys))
                for path, want in original.keys.items():
                    got = ours.keys[path]
                    for field in NODE_FIELDS:
                        self.assertEqual(got[field], want[field], '%s %s' % (path, field))
                    for field in ('subkey_list', 'value_list'):
                        self.assertEqual(got[field] == regfcheck.NO_OFFSET,
                                         want[field] == regfcheck.NO_OFFSET, field)

    def test_subkey_lists(self):
        for name, original, ours in self.pairs:
            with self.subTest(sample=name):
                for path, want in original.keys.items():
                    got = ours.keys[path]
                    self.assertEqual(got['subkeys'], want['subkeys'], path)
                    if want['list'] is None:
                        self.assertIsNone(got['list'])
                        continue
                    for field in ('signature', 'count', 'hints'):
                        self.assertEqual(got['list'][field], want['list'][field], path)

    def test_values_field_by_field(self):
        for name, original, ours in self.pairs:
            with self.subTest(sample=name):
                for path, want in original.keys.items():
                    got = ours.keys[path]
                    self.assertEqual(len(got['values']), len(want['values']))
                    for g, w in zip(got['values'], want['values']):
                        for field in VALUE_FIELDS:
                            self.assertEqual(g[field], w[field], '%s %s %s' % (path, w['name'], field))
                        if 'inline_field' in w:
                            self.assertEqual(g['inline_field'], w['inline_field'])

    def test_security_cells(self):
        for name, original, ours in self.pairs:
            with self.subTest(sample=name):
                self.assertEqual(security_shape(ours), security_shape(original))

    def test_our_descriptor_is_the_one_exports_carry(self):
        # Count keys, not cells: some exports keep a second descriptor for the root and the keys
        # powercfg copied from a differently secured parent.
        keys_per_descriptor = collections.Counter()
        for name, original, _ in self.pairs:
            for sk in original.security.values():
                keys_per_descriptor[sk['descriptor']] += sk['refs']
        most_common, _ = keys_per_descriptor.most_common(1)[0]
        self.assertEqual(POWER_SCHEME_DESCRIPTOR, most_common)

    def test_libregf_flags_every_valueless_key_of_real_exports(self):
        # Backs the allowance made in test_powerplan_readers.
        import pyregf

        for path in SAMPLES:
            f = pyregf.file()
            f.open(path)
            flagged, valueless = set(), set()

            def walk(key, where):
                if key.is_corrupted():
                    flagged.add(where)
                if key.get_number_of_values() == 0:
                    valueless.add(where)
                for i in range(key.get_number_of_sub_keys()):
                    child = key.get_sub_key(i)
                    walk(child, where + (child.get_name(),))
            walk(f.get_root_key(), ())
            f.close()
            self.assertEqual(flagged, valueless, os.path.basename(path))


if __name__ == '__main__':
    support.main()
