"""Shared set-up of the power-plan tests: where the generator and the reference exports live."""

import os
import sys

sys.dont_write_bytecode = True

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
TOOL_DIR = os.path.join(REPO, 'tools', 'powerplan')
PLAN = os.path.join(TOOL_DIR, 'velo-ssd.plan')
GENERATOR = os.path.join(TOOL_DIR, 'gen_powerplan.py')
# Real exports from public repositories, kept beside the repository and never inside it.
SAMPLES = os.path.join(os.path.dirname(REPO), 'shared', 'reference', 'power-plan-exports')

for path in (TOOL_DIR, HERE):
    if path not in sys.path:
        sys.path.insert(0, path)


def sample_files():
    if not os.path.isdir(SAMPLES):
        return []
    return sorted(os.path.join(SAMPLES, name) for name in os.listdir(SAMPLES)
                  if name.lower().endswith('.pow'))


def shipped_plan_bytes():
    import gen_powerplan
    return gen_powerplan.generate(PLAN)


# What CTest reports as "skipped" instead of "passed" (SKIP_RETURN_CODE of these tests).
SKIPPED_EXIT = 77


def main():
    """unittest.main for these scripts, except that a run in which every test was skipped (no
    reference exports, no second reader) exits with SKIPPED_EXIT: nothing was checked, and the
    test list must say so rather than show a pass."""
    import unittest
    result = unittest.main(exit=False).result
    if not result.wasSuccessful():
        sys.exit(1)
    if result.testsRun == 0 or len(result.skipped) == result.testsRun:
        sys.exit(SKIPPED_EXIT)
    sys.exit(0)
