"""The shipped velo-ssd.cfg read back by registry parsers that share no code with our writer.

The expected tree is written out here by hand, from the plan we mean to ship, so that a mistake
in the plan reader or in the writer shows up as a difference.
"""

import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import urllib.parse

import powerplan_support as support

SCHEME = 'b152c1ee-6d00-4b8d-9324-e8edf86cf92b'
REG_EXPAND_SZ, REG_DWORD = 2, 4
DISK = '0012ee47-9041-4b5d-9b77-535fba8b1442'
PCIE = '501a4d13-42af-4429-9fd1-a8218c268e20'
CPU = '54533251-82be-4824-96c1-47b60b740d00'
SLEEP = '238c9fa8-0aad-41ed-83f4-97be242c8f20'
USB = '2a737441-1930-4402-8d77-b2bebba308a3'


def _ac_dc(ac, dc=None):
    values = [('ACSettingIndex', REG_DWORD, struct.pack('<I', ac))]
    if dc is not None:
        values.append(('DCSettingIndex', REG_DWORD, struct.pack('<I', dc)))
    return values


def _sz(text):
    return text.encode('utf-16-le') + b'\0\0'


EXPECTED = {
    (): None,  # root values are checked on their own below
    ('245d8541-3943-4422-b025-13a784f679b7',): _ac_dc(1, 1),      # personality: high performance
    (DISK,): [],
    (DISK, '6738e2c4-e8a5-4a42-b16a-e040e769756e'): _ac_dc(0, 0),  # turn off disk: never
    (DISK, '0b2d69d7-a2a1-449c-9680-f91c70521c60'): _ac_dc(0, 0),  # AHCI link power: active
    (DISK, 'd639518a-e56d-4345-8af2-b9f32fb26109'): _ac_dc(0, 0),  # NVMe idle timeout: off
    (PCIE,): [],
    (PCIE, 'ee12f906-d277-404b-b6da-e5fa1a576df5'): _ac_dc(0, 0),  # ASPM: off
    (CPU,): [],
    (CPU, '893dee8e-2bef-41e0-89c6-b55d0929964c'): _ac_dc(100, 100),  # minimum state
    (CPU, 'bc5038f7-23e0-4960-96da-33abaf5935ec'): _ac_dc(100, 100),  # maximum state
    (SLEEP,): [],
    (SLEEP, '29f6c1db-86da-48c5-9fdb-f2b67b1f44da'): _ac_dc(0),     # sleep: never on AC
    (SLEEP, '9d7815a6-7ee4-497e-8888-515a05f02364'): _ac_dc(0),     # hibernate: never on AC
    (USB,): [],
    (USB, '48e6b7a6-50f5-4782-a5d4-53bb8f07e226'): _ac_dc(0, 0),   # selective suspend: off
}
FRIENDLY_NAME = 'Pellix SSD고성능'


def expected_tree(description):
    tree = dict(EXPECTED)
    tree[()] = [('Description', REG_EXPAND_SZ, _sz(description)),
                ('FriendlyName', REG_EXPAND_SZ, _sz(FRIENDLY_NAME))]
    return tree


def canonical(tree):
    """Readers may list values and subkeys in any order; compare sets per key."""
    return {path: sorted(values) for path, values in tree.items()}


class ShippedPlanReadBack(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix='powerplan-')
        cls.path = os.path.join(cls.tmp, 'velo-ssd.cfg')
        cls.data = support.shipped_plan_bytes()
        with open(cls.path, 'wb') as handle:
            handle.write(cls.data)
        import regfcheck
        cls.hive = regfcheck.parse(cls.data)
        description = cls.hive.keys[()]['values'][0]['data'][:-2].decode('utf-16-le')
        cls.expected = canonical(expected_tree(description))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def test_our_strict_reader_finds_no_fault_and_the_intended_tree(self):
        import regfcheck
        self.assertEqual(self.hive.problems, [])
        self.assertEqual(canonical(regfcheck.content(self.hive)), self.expected)
        self.assertEqual(self.hive.keys[()]['name'], SCHEME)
        description = self.hive.keys[()]['values'][0]
        self.assertEqual(description['name'], 'Description')
        self.assertGreater(len(description['data']), 20, 'a description of our own')
        self.assertFalse(description['data'][:2] == b'@\0', 'plain text, not an indirect string')
        self.assertEqual(len(self.hive.security), 1)
        self.assertEqual(len(self.data), 8192)

    def test_hivex(self):
        try:
            import hivex
        except ImportError:
            self.fail('python3-hivex is missing (scripts/setup.sh installs it); run with /usr/bin/python3')
        h = hivex.Hivex(self.path)
        tree = {}

        def walk(node, path):
            values = []
            for v in h.node_values(node):
                vtype, data = h.value_value(v)
                values.append((h.value_key(v), vtype, data))
            tree[path] = values
            for child in h.node_children(node):
                walk(child, path + (h.node_name(child),))
        root = h.root()
        self.assertEqual(h.node_name(root), SCHEME)
        walk(root, ())
        self.assertEqual(canonical(tree), self.expected)

    def test_libregf(self):
        try:
            import pyregf
        except ImportError:
            self.fail('python3-libregf is missing (scripts/setup.sh installs it); run with /usr/bin/python3')
        f = pyregf.file()
        f.open(self.path)
        tree = {}

        flagged, valueless = set(), set()

        def walk(key, path):
            if key.is_corrupted():
                flagged.add(path)
            if key.get_number_of_values() == 0:
                valueless.add(path)
            values = []
            for i in range(key.get_number_of_values()):
                v = key.get_value(i)
                values.append((v.get_name(), v.get_type(), v.get_data()))
            tree[path] = values
            for i in range(key.get_number_of_sub_keys()):
                child = key.get_sub_key(i)
                walk(child, path + (child.get_name(),))
        root = f.get_root_key()
        self.assertEqual(root.get_name(), SCHEME)
        walk(root, ())
        f.close()
        self.assertEqual(canonical(tree), self.expected)
        # libregf marks every key without values as corrupted; it does the same to every such
        # key of the real exports (see test_powerplan_samples), so only that is accepted here.
        self.assertEqual(flagged, valueless)

    def test_reglookup(self):
        tool = shutil.which('reglookup')
        if tool is None:
            self.fail('reglookup is missing (scripts/setup.sh installs it)')
        run = subprocess.run([tool, '-s', '-H', self.path], capture_output=True, check=True)
        # It cannot print Korean and says so on stderr, quoting the raw UTF-16 instead; anything
        # else on stderr is a complaint about the file.
        complaints = [line for line in run.stderr.decode().splitlines()
                      if 'Data could not be interpreted' not in line]
        self.assertEqual(complaints, [])
        tree = {}
        dacls = set()
        for line in run.stdout.decode('ascii').splitlines():
            fields = line.split(',')  # value lines leave out the trailing class column
            path, vtype, value = fields[:3]
            parts = tuple(urllib.parse.unquote(p) for p in path.split('/')[1:])
            if vtype == 'KEY':
                tree[tuple(p for p in parts if p)] = []
                self.assertEqual((fields[4], fields[5]), ('S-1-5-18', 'S-1-5-18'))
                dacls.add(fields[7])
                continue
            key, name = tuple(p for p in parts[:-1] if p), parts[-1]
            raw = urllib.parse.unquote_to_bytes(value)
            if vtype == 'DWORD':
                data = struct.pack('<I', int(raw, 16))
            else:
                try:
                    data = _sz(raw.decode('ascii'))
                except UnicodeDecodeError:
                    data = raw  # the quoted raw buffer
            tree[key].append((name, {'DWORD': REG_DWORD, 'EXPAND_SZ': REG_EXPAND_SZ}[vtype], data))
        self.assertEqual(canonical(tree), self.expected)
        self.assertEqual(len(dacls), 1, 'every key carries the same descriptor')
        self.assertIn('S-1-5-18:ALLOW:GEN_A:CI IO IA', dacls.pop())

    def test_parse_win32registry(self):
        perl = shutil.which('perl')
        probe = perl and subprocess.run([perl, '-MParse::Win32Registry', '-e', '1'],
                                        capture_output=True).returncode == 0
        if not probe:
            self.skipTest('Parse::Win32Registry (libparse-win32registry-perl) not installed')
        script = r'''
            use Parse::Win32Registry;
            my $reg = Parse::Win32Registry->new($ARGV[0]) or die "cannot open\n";
            sub walk { my ($k, $p) = @_;
                print "K\t$p\n";
                for my $v ($k->get_list_of_values) {
                    print "V\t$p\t", unpack('H*', $v->get_name), "\t", $v->get_type, "\t",
                          unpack('H*', $v->get_raw_data), "\n"; }
                for my $s ($k->get_list_of_subkeys) { walk($s, $p eq '' ? $s->get_name : "$p/" . $s->get_name); } }
            print "R\t", $reg->get_root_key->get_name, "\n";
            walk($reg->get_root_key, '');
        '''
        run = subprocess.run([perl, '-e', script, self.path], capture_output=True, check=True)
        self.assertEqual(run.stderr, b'')
        tree = {}
        for line in run.stdout.decode().splitlines():
            fields = line.split('\t')
            if fields[0] == 'R':
                self.assertEqual(fields[1], SCHEME)
            elif fields[0] == 'K':
                tree[tuple(fields[1].split('/')) if fields[1] else ()] = []
            else:
                key = tuple(fields[1].split('/')) if fields[1] else ()
                tree[key].append((bytes.fromhex(fields[2]).decode('latin-1'), int(fields[3]),
                                  bytes.fromhex(fields[4])))
        self.assertEqual(canonical(tree), self.expected)


if __name__ == '__main__':
    support.main()
