"""The plan description and the build step around it."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import powerplan_support as support
from plan import PlanError, parse_plan, plan_to_tree

SCHEME = '''[scheme]
guid = {B152C1EE-6D00-4B8D-9324-E8EDF86CF92B}
name = Test
description = A test plan
'''
PERSONALITY = '''[personality]
setting = 245d8541-3943-4422-b025-13a784f679b7
ac = 1
'''


class PlanDescription(unittest.TestCase):
    def test_minimal_plan_becomes_the_export_tree(self):
        plan = parse_plan(SCHEME + PERSONALITY + '''
[usb]
subgroup = 2a737441-1930-4402-8d77-b2bebba308a3
setting = 48e6b7a6-50f5-4782-a5d4-53bb8f07e226
dc = 0x0
''')
        root = plan_to_tree(plan)
        self.assertEqual(root.name, 'b152c1ee-6d00-4b8d-9324-e8edf86cf92b')  # braces and case gone
        self.assertEqual([v.name for v in root.values], ['Description', 'FriendlyName'])
        layout = {k.name: ([v.name for v in k.values], [c.name for c in k.subkeys])
                  for k in root.subkeys}
        self.assertEqual(layout, {
            '245d8541-3943-4422-b025-13a784f679b7': (['ACSettingIndex'], []),
            '2a737441-1930-4402-8d77-b2bebba308a3': ([], ['48e6b7a6-50f5-4782-a5d4-53bb8f07e226'])})
        usb = root.subkeys[1].subkeys[0]
        self.assertEqual([v.name for v in usb.values], ['DCSettingIndex'])

    def test_mistakes_are_refused_with_the_section_named(self):
        cases = {
            'no personality': (SCHEME, 'personality'),
            'bad guid': (SCHEME + PERSONALITY.replace('245d8541', '245d854'), 'GUID'),
            'no index': (SCHEME + '[personality]\nsetting = 245d8541-3943-4422-b025-13a784f679b7\n',
                         'needs ac'),
            'too large': (SCHEME + PERSONALITY + '[x]\nsubgroup = none\nsetting = '
                          '00000000-0000-0000-0000-000000000001\nac = 4294967296\n', 'DWORD'),
            'negative': (SCHEME + PERSONALITY + '[x]\nsetting = '
                         '00000000-0000-0000-0000-000000000001\nac = -1\n', 'DWORD'),
            'twice': (SCHEME + PERSONALITY + PERSONALITY.replace('[personality]', '[again]'),
                      'already given'),
            'unknown field': (SCHEME + PERSONALITY + 'acc = 1\n', 'unknown'),
            'unknown personality': (SCHEME + PERSONALITY.replace('ac = 1', 'ac = 7'), 'none of'),
            'no name': (SCHEME.replace('name = Test\n', '') + PERSONALITY, 'name is missing'),
            'bad time': (SCHEME + 'timestamp = yesterday\n' + PERSONALITY, 'timestamp'),
            'not ini': ('guid = 1\n', 'section'),
        }
        for label, (text, words) in cases.items():
            with self.subTest(label), self.assertRaises(PlanError) as caught:
                parse_plan(text)
            self.assertIn(words, str(caught.exception), label)


class BuildStep(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix='powerplan-')

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def run_generator(self, plan):
        out = os.path.join(self.tmp, 'velo-ssd.cfg')
        run = subprocess.run([sys.executable, support.GENERATOR, plan, '-o', out],
                             capture_output=True, text=True)
        return run, out

    def test_writes_the_shipped_file(self):
        run, out = self.run_generator(support.PLAN)
        self.assertEqual((run.returncode, run.stderr), (0, ''))
        with open(out, 'rb') as handle:
            self.assertEqual(handle.read(), support.shipped_plan_bytes())
        self.assertEqual(os.listdir(self.tmp), ['velo-ssd.cfg'])

    def test_bad_plan_fails_the_build_and_writes_nothing(self):
        bad = os.path.join(self.tmp, 'bad.plan')
        with open(bad, 'w', encoding='utf-8') as handle:
            handle.write(SCHEME)
        run, out = self.run_generator(bad)
        self.assertEqual(run.returncode, 1)
        self.assertIn('personality', run.stderr)
        self.assertFalse(os.path.exists(out))


if __name__ == '__main__':
    support.main()
