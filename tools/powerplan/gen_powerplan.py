#!/usr/bin/python3
"""Build step: turns a plan description into the power-scheme export shipped beside the program.

    gen_powerplan.py velo-ssd.plan -o build/velo-ssd.cfg
"""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # keep the source tree clean when the build runs us
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from plan import PlanError, load_plan, plan_to_tree  # noqa: E402
from regf import DEFAULT_TIMESTAMP, HiveError, write_hive  # noqa: E402


def generate(plan_path):
    plan = load_plan(plan_path)
    timestamp = plan.timestamp if plan.timestamp is not None else DEFAULT_TIMESTAMP
    return write_hive(plan_to_tree(plan), timestamp)


def main(argv=None):
    parser = argparse.ArgumentParser(description='Write a power-scheme export from a plan.')
    parser.add_argument('plan', help='plan description (.plan)')
    parser.add_argument('-o', '--output', required=True, help='file to write')
    args = parser.parse_args(argv)
    try:
        data = generate(args.plan)
    except (OSError, PlanError, HiveError) as error:
        print('gen_powerplan: %s' % error, file=sys.stderr)
        return 1
    # Write beside the target and rename, so an interrupted build never leaves a cut-off file
    # that make would take as up to date.
    temporary = args.output + '.tmp'
    with open(temporary, 'wb') as handle:
        handle.write(data)
    os.replace(temporary, args.output)
    return 0


if __name__ == '__main__':
    sys.exit(main())
