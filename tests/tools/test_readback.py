"""tools/windows/readback.cmd, the read-back a person runs on real Windows before and after an
apply: it must show everything the apply touches, in the order of the dialog's rows, and must
itself change nothing.

What the apply touches is read from the program's own sources (the row table, the apply's steps
and the functions they reach), so a row or a step added there and forgotten in the script fails
here."""

import os
import re
import sys
import unittest

sys.dont_write_bytecode = True

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
SRC = os.path.join(REPO, 'src')
SCRIPT = os.path.join(REPO, 'tools', 'windows', 'readback.cmd')


# ---------------------------------------------------------------------------------------------
# What the apply touches, from the sources

STRING = r'"((?:[^"\\]|\\.)*)"'


def _unescape(literal):
    return re.sub(r'\\(.)', r'\1', literal)


def _source_files():
    for folder, _, names in os.walk(SRC):
        for name in sorted(names):
            if name.endswith('.cpp'):
                yield os.path.join(folder, name)


def _read(path):
    with open(path, encoding='utf-8') as handle:
        return handle.read()


# A call that runs a system tool: RunTool, or RunNativeTool for the 64-bit one.
TOOL_RUN = r'\bRun(?:Native)?Tool\('


def function_bodies():
    """Bodies of the top-level function definitions of src/, by bare name (overloads joined).
    The sources are clang-formatted: a definition's braces stand alone at the start of a line."""
    bodies = {}
    pattern = re.compile(r'^[A-Za-z_][^\n;{}()]*?\b(?:\w+::)?(\w+)\([^\n;{}]*\)[^\n;{}]*'
                         r'\n\{\n(.*?)\n\}', re.M | re.S)
    for path in _source_files():
        text = _read(path)
        for match in pattern.finditer(text):
            bodies.setdefault(match.group(1), []).append((path, text, match.group(2)))
    return bodies


def option_rows():
    """The rows of the dialog from top to bottom: step kind, service name, marker."""
    text = _read(os.path.join(SRC, 'console', 'OptionRows.cpp'))
    table = re.search(r'kOptionRows\[\w+\]\s*=\s*\{(.*?)\n\};', text, re.S).group(1)
    rows = []
    for entry in re.finditer(r'\{[^{}]*?OptionStep::(\w+),\s*(nullptr|' + STRING + r'),\s*'
                             + STRING + r',\s*(?:true|false)\}', table):
        rows.append({'step': entry.group(1), 'service': entry.group(3), 'marker': entry.group(4)})
    return rows


def apply_cases():
    """The apply's code for each step kind: the cases of the switch in RunRow."""
    [(_, _, body)] = function_bodies()['RunRow']
    cases = {}
    case = r'case OptionStep::(\w+):(.*?)(?=case OptionStep::|\n    \})'
    for match in re.finditer(case, body, re.S):
        cases[match.group(1)] = match.group(2)
    return cases


class SourceError(Exception):
    pass


def _resolve_text(expression, code, file_text):
    """The text(s) an argument stands for: a literal, a constant of the file, or the literals of
    the statements that fill a local variable."""
    expression = expression.strip()
    literals = re.findall(STRING, expression)
    if literals and re.fullmatch(r'(\s*' + STRING + r'\s*)+', expression):
        return [''.join(_unescape(s) for s in literals)]
    if re.fullmatch(r'\w+', expression):
        constant = re.search(r'\b' + expression + r'\[\]\s*=\s*' + STRING, file_text)
        if constant:
            return [_unescape(constant.group(1))]
        found = []
        for statement in code.split(';'):
            runs_a_tool = re.search(TOOL_RUN, statement)
            if re.search(r'\b' + expression + r'\b', statement) and not runs_a_tool:
                found += [_unescape(s) for s in re.findall(STRING, statement)]
        if found:
            return found
    raise SourceError('cannot tell what %r stands for' % expression)


def effects_of_row(row, cases, bodies):
    """(kind, ...) tuples for everything the row's step touches: ('reg', key, value),
    ('service', name) and ('tool', name, parameters)."""
    effects = []
    visited = set()

    def walk(code, file_text):
        if re.search(r'\(\s*row\.service\s*\)', code):
            effects.append(('service', row['service']))
        for tool, argument in re.findall(TOOL_RUN + r'\s*"(\w+)"\s*,\s*([^;]*?)\)\s*;', code):
            for parameters in _resolve_text(argument, code, file_text):
                effects.append(('tool', tool.lower(), parameters))
        values = re.findall(r'\.Set\w*Value\(\s*"([^"]+)"', code)
        if values:
            keys = [_resolve_text(k, code, file_text)[0] for k in
                    re.findall(r'\.Open\(\s*HKEY_LOCAL_MACHINE\s*,\s*([^)]*?)\)', code)]
            if len(keys) != 1:
                raise SourceError('registry writes %s without exactly one key opened' % values)
            effects.extend(('reg', keys[0], value) for value in values)
        for name in re.findall(r'\b(\w+)\(', code):
            if name in bodies and name not in visited:
                visited.add(name)
                for _, text, body in bodies[name]:
                    walk(body, text)

    for _, text, _ in bodies['RunRow']:
        walk(cases[row['step']], text)
    return effects


# ---------------------------------------------------------------------------------------------
# What the script runs

BUILTINS = {'echo', 'echo.', 'set', 'setlocal', 'endlocal', 'goto', 'pause', 'exit', 'title',
            'call', 'ver', 'shift'}
SYSTEM_FOLDERS = ('%systemroot%\\system32\\', '%systemroot%\\sysnative\\')
READ_ONLY = {
    'reg': lambda a: a[:1] == ['query'],
    'sc': lambda a: a[:1] in (['qc'], ['query'], ['queryex']),
    'fsutil': lambda a: a[:2] == ['behavior', 'query'],
    'powercfg': lambda a: a[:1] in (['/list'], ['-list'], ['/l'], ['-l'], ['/a'], ['-a'],
                                    ['/getactivescheme'], ['-getactivescheme'], ['/q'], ['-q']),
    'bcdedit': lambda a: a[:1] in (['/enum'], ['-enum']),
    'findstr': lambda a: True,
    'find': lambda a: True,
    'fltmc': lambda a: a in ([], ['filters']),
    'hostname': lambda a: a == [],
}


class Command:
    def __init__(self, line, words, programs, redirections, raw=()):
        self.line = line                  # number of the script line
        self.raw = list(raw)              # the words as written, variables not expanded
        self.words = words                # first expansion, quotes removed
        self.programs = programs          # every expansion of the program word
        self.redirections = redirections  # (operator, target)

    @property
    def tool(self):
        name = self.programs[0].lower().rsplit('\\', 1)[-1]
        return name[:-4] if name.endswith('.exe') else name

    @property
    def args(self):
        return [w.lower() for w in self.words[1:]]


def _split_words(text):
    words, current, quoted, started = [], '', False, False
    for char in text:
        if char == '"':
            quoted = not quoted
            current += char
            started = True
        elif char in ' \t' and not quoted:
            if started:
                words.append(current)
            current, started = '', False
        else:
            current += char
            started = True
    if started:
        words.append(current)
    return words


def _expand(word, variables):
    """Every text the word can stand for: a variable set twice in the script has two values."""
    results = ['']
    for part in re.split(r'(%\w+%)', word):
        name = part[1:-1].lower() if re.fullmatch(r'%\w+%', part) else None
        choices = variables.get(name, [part]) if name else [part]
        results = [r + c for r in results for c in choices]
    return results


def _segments(line):
    """The commands of one line, split at unquoted & && | ||, with their redirections."""
    segments, current, redirections = [], '', []
    i, quoted = 0, False
    while i < len(line):
        char = line[i]
        if char == '"':
            quoted = not quoted
            current += char
        elif quoted:
            current += char
        elif char == '^' and i + 1 < len(line):
            i += 1
            current += line[i]
        elif char in '&|':
            segments.append((current, redirections))
            current, redirections = '', []
            if i + 1 < len(line) and line[i + 1] == char:
                i += 1
        elif char in '<>':
            if current and current[-1].isdigit() and (len(current) == 1 or current[-2] in ' \t'):
                current = current[:-1]
            operator = char
            if i + 1 < len(line) and line[i + 1] == '>':
                operator, i = '>>', i + 1
            if i + 1 < len(line) and line[i + 1] == '&':
                target, i = '&' + line[i + 2:i + 3], i + 2
            else:
                rest = line[i + 1:]
                target = _split_words(rest.replace('&', ' ').replace('|', ' '))[0]
                i += len(rest) - len(rest.lstrip()) + len(target)
            redirections.append((operator, target))
        else:
            current += char
        i += 1
    segments.append((current, redirections))
    return segments


def _strip_condition(words):
    """The command an `if` runs: the words after its condition; the command of a `for` loop; the
    program a `call` starts (a call of a label of the script stays `call`)."""
    while words and words[0].lower() in ('if', 'for', 'call'):
        if words[0].lower() == 'for':
            do = [n for n, w in enumerate(words) if w.lower() == 'do']
            words = words[do[0] + 1:] if do else []
            continue
        if words[0].lower() == 'call':
            if len(words) < 2 or words[1].startswith(':'):
                return words[:1]
            words = words[1:]
            continue
        words = words[1:]
        if words and words[0].lower() == '/i':
            words = words[1:]
        if words and words[0].lower() == 'not':
            words = words[1:]
        if words and words[0].lower() in ('exist', 'defined', 'errorlevel'):
            words = words[2:]
        elif len(words) > 2 and words[1].lower() in ('equ', 'neq', 'lss', 'leq', 'gtr', 'geq'):
            words = words[3:]
        elif words and '==' in words[0]:
            words = words[2:] if words[0].endswith('==') else words[1:]
        elif len(words) > 1 and words[1] == '==':
            words = words[3:]
    return words


def parse_script(text, variables=None):
    """The script's commands; variables, when given, receives every value each variable may hold."""
    variables = {} if variables is None else variables
    commands, held = [], '%READ%'
    for number, raw in enumerate(text.split('\r\n'), 1):
        line = raw.strip().lstrip('@').replace('%READ%', held)
        lowered = line.lower()
        if not line or line.startswith(':') or re.match(r'rem(\s|$)', lowered):
            continue
        # READ holds the command the script runs where it writes %READ%; a for /f runs the one in
        # its parentheses through cmd /c, which drops its outer quotes.
        texts = [line]
        read = re.match(r'(?i)set read=(.*)', line)
        inner = re.match(r"(?i)for\s+/f\s.*?\('(.*)'\)\s*do\b", line)
        if read:
            held = read.group(1)
            texts.append(held)
        if inner:
            texts.append(re.sub(r'^"(.*)"$', r'\1', inner.group(1)))
        for segment, redirections in (s for text in texts for s in _segments(text)):
            written = _split_words(segment)
            words = [w for w in _strip_condition(written) if w not in ('(', ')')]
            if not words:
                continue
            if words[0].lower() == 'set':
                assignment = ' '.join(words[1:]).strip('"')
                if '=' in assignment:
                    name, value = assignment.split('=', 1)
                    name, values = name.strip().lower(), _expand(value, variables)
                    # A set under a condition leaves the old value possible as well.
                    conditional = len(words) < len(written)
                    variables[name] = (variables.get(name, []) if conditional else []) + values
            expanded = [_expand(w, variables) for w in words]
            programs = [p.strip('"') for p in expanded[0]]
            plain = [e[0].replace('"', '') for e in expanded]
            commands.append(Command(number, plain, programs, redirections, words))
    return commands


def unsafe_commands(text):
    """Every command of the script that could change something, with the reason."""
    problems = []
    variables = {}
    commands = parse_script(text, variables)
    for command in commands:
        program = command.programs[0].lower()
        where = 'line %d: %s' % (command.line, ' '.join(command.words))
        for operator, target in command.redirections:
            if target.lower() not in ('nul', '&1', '&2'):
                problems.append('%s: redirection %s%s' % (where, operator, target))
        if program in BUILTINS:
            continue
        if '\\' not in program:
            problems.append('%s: not a built-in command, and not called by its full path in the '
                            'system folder' % where)
            continue
        for candidate in command.programs:
            if not candidate.lower().startswith(SYSTEM_FOLDERS):
                problems.append('%s: %s is not in the system folder' % (where, candidate))
        check = READ_ONLY.get(command.tool)
        if check is None:
            problems.append('%s: %s is not a known read-only tool' % (where, command.tool))
        elif not check(command.args):
            problems.append('%s: %s %s may change something' % (where, command.tool,
                                                                  ' '.join(command.args)))
    return problems


# ---------------------------------------------------------------------------------------------
# Which script command reads back what

def _lines_with(commands, tool, predicate):
    return [c.line for c in commands if c.tool == tool and predicate(c.args)]


def _key(text):
    text = text.lower()
    long_root = 'hkey_local_machine\\'
    return 'hklm\\' + text[len(long_root):] if text.startswith(long_root) else text


def _reg_query(commands, key, value):
    wanted = _key('HKLM\\' + key)
    return _lines_with(commands, 'reg', lambda a: len(a) >= 4 and a[0] == 'query'
                       and _key(a[1]) == wanted and a[2] == '/v' and a[3] == value.lower())


HIBERNATION = ('SYSTEM\\CurrentControlSet\\Control\\Power', 'HibernateEnabled')
GUID = r'[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}'


def readback_lines(effect, commands, text):
    """The script lines that show the effect's state; None when no rule knows the effect."""
    if effect[0] == 'reg':
        return _reg_query(commands, effect[1], effect[2])
    if effect[0] == 'service':
        return _lines_with(commands, 'sc', lambda a: a == ['qc', effect[1].lower()])
    tool, parameters = effect[1], effect[2].strip()
    if tool == 'fsutil':
        match = re.match(r'behavior\s+set\s+(\w+)', parameters, re.I)
        if match:
            name = match.group(1).lower()
            return _lines_with(commands, 'fsutil', lambda a: a[:3] == ['behavior', 'query', name])
    if tool == 'powercfg':
        if re.match(r'-h\b', parameters, re.I):
            return _reg_query(commands, *HIBERNATION)
        match = re.match(r'-(?:s|d|import)\b.*?(' + GUID + r')\s*$', parameters, re.I)
        if match:
            if match.group(1).lower() not in text.lower():
                return []
            return _lines_with(commands, 'powercfg', lambda a: a[:1] in (['/list'], ['-list']))
    if tool == 'bcdedit':
        match = re.match(r'/set\s+(\{\w+\})\s+(\w+)', parameters, re.I)
        if match:
            entry, element = match.group(1).lower(), match.group(2).lower()
            lines = _lines_with(commands, 'bcdedit', lambda a: a[:2] == ['/enum', entry])
            # The element is looked for in the answer on the same line, or on the next one,
            # which examines the answer the tool wrote.
            script = text.split('\r\n')
            return [n for n in lines if any(re.search(r'\b%s\b' % element, script[i].lower())
                                              for i in (n - 1, n) if i < len(script))]
    return None


def coverage_problems(rows, row_effects, text):
    """Effects the script does not read back, and rows shown out of order."""
    commands = parse_script(text)
    problems, first_lines = [], []
    for row, effects in zip(rows, row_effects):
        found = []
        for effect in effects:
            lines = readback_lines(effect, commands, text)
            if lines is None:
                problems.append('row %s: no read-back known for %s; show its state in readback.cmd '
                                'and teach this test to recognise it' % (row['marker'], effect))
            elif not lines:
                problems.append('row %s: readback.cmd does not show %s' % (row['marker'], effect))
            else:
                found.append(min(lines))
        first_lines.append((min(found) if found else None, row['marker']))
    shown = [entry for entry in first_lines if entry[0] is not None]
    if shown != sorted(shown):
        problems.append('rows out of the dialog\'s order: %s' % [m for _, m in sorted(shown)])
    return problems


# ---------------------------------------------------------------------------------------------

class ReadBackScript(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(SCRIPT, 'rb') as handle:
            cls.raw = handle.read()
        cls.text = cls.raw.decode('ascii')
        cls.rows = option_rows()
        cases, bodies = apply_cases(), function_bodies()
        cls.effects = [effects_of_row(row, cases, bodies) for row in cls.rows]

    def test_is_a_plain_windows_batch_file(self):
        # cmd reads a batch file in the console's code page: plain ASCII reads the same everywhere.
        self.assertTrue(all(b < 128 for b in self.raw), 'non-ASCII bytes')
        lines = self.raw.split(b'\r\n')
        self.assertEqual(lines[-1], b'', 'the last line must end with CRLF')
        self.assertFalse([n for n, line in enumerate(lines, 1) if b'\n' in line or b'\r' in line],
                         'every line must end with CRLF')
        self.assertFalse([n for n, line in enumerate(lines, 1) if line.rstrip().endswith(b'^')],
                         'no continued lines: every command stands on its own line')

    def test_sources_give_every_row_something_to_read_back(self):
        count = re.search(r'kOptionRowCount = (\d+);', _read(os.path.join(SRC, 'console', 'OptionRows.h')))
        self.assertEqual(len(self.rows), int(count.group(1)))
        for row, effects in zip(self.rows, self.effects):
            self.assertTrue(effects, 'nothing found for row %s' % row['marker'])

    def test_shows_everything_the_apply_touches_in_the_order_of_the_rows(self):
        self.assertEqual(coverage_problems(self.rows, self.effects, self.text), [])

    def test_changes_nothing(self):
        self.assertEqual(unsafe_commands(self.text), [])


class ReadBackChecks(unittest.TestCase):
    """The checks above must see the faults they are there for."""

    SAFE = '@echo off\r\nsetlocal\r\nset "SYS=%SystemRoot%\\System32"\r\n'

    def test_commands_that_change_the_machine_are_refused(self):
        changing = [
            r'"%SYS%\reg.exe" add "HKLM\SYSTEM\X" /v A /t REG_DWORD /d 1 /f',
            r'"%SYS%\reg.exe" delete "HKLM\SYSTEM\X" /f',
            r'"%SYS%\sc.exe" config WSearch start= disabled',
            r'"%SYS%\sc.exe" stop SysMain',
            r'"%SYS%\powercfg.exe" -setactive 381b4222-f694-41f0-9685-ff5bb260df2e',
            r'"%SYS%\powercfg.exe" -import "C:\velo-ssd.cfg"',
            r'"%SYS%\powercfg.exe" -h off',
            r'"%SYS%\bcdedit.exe" /set {current} quietboot Yes',
            r'"%SYS%\fsutil.exe" behavior set disablelastaccess 1',
            r'"%SYS%\net.exe" stop WSearch',
            r'"%SYS%\fltmc.exe" unload anything',
            r'del "%SystemDrive%\hiberfil.sys"',
            r'reg query "HKLM\SYSTEM"',
            r'"%SYS%\sc.exe" qc WSearch > "%TEMP%\x.txt"',
            r'echo done & "%SYS%\reg.exe" add HKLM\SYSTEM\X /f',
            r'if exist "%SYS%\bcdedit.exe" "%SYS%\bcdedit.exe" /deletevalue {current} quietboot',
            r'"C:\Tools\fsutil.exe" behavior query disablelastaccess',
            r'call "%SYS%\reg.exe" add HKLM\SYSTEM\X /f',
            r"""for /f "delims=" %%L in ('"%SYS%\reg.exe" add HKLM\X /f') do echo %%L""",
            r"""for /f %%L in ('"%SYS%\reg.exe" query HKLM\X') do "%SYS%\sc.exe" stop %%L""",
            'set READ="%SYS%\\sc.exe" config WSearch start= disabled\r\n%READ% >nul 2>&1',
            r'"%SYS%\sc.exe" qc WSearch > "%TEMP%\dadaror-readback.txt" 2>&1',
            r'del "%TEMP%\dadaror-readback.txt"',
            'set "OUT=%SystemRoot%\\win.ini"\r\n"%SYS%\\sc.exe" qc WSearch > "%OUT%"',
            'if "%1"=="x" set "OUT=C:\\boot.ini"\r\n"%SYS%\\sc.exe" qc WSearch > "%OUT%"',
        ]
        for line in changing:
            with self.subTest(line=line):
                self.assertTrue(unsafe_commands(self.SAFE + line + '\r\n'))
        for line in (r'"%SYS%\sc.exe" qc WSearch 2>nul | "%SYS%\findstr.exe" /c:"STATE" >nul',
                     r'if /i not "%~1"=="/nopause" pause',
                     r'if not %RC% EQU 0 goto failed',
                     'set READ="%SYS%\\sc.exe" qc WSearch\r\n%READ% >nul 2>&1',
                     r'call :answer sc STATE "sc qc WSearch"',
                     'set READ="%SYS%\\sc.exe" qc WSearch\r\n'
                     'for /f "tokens=1,2*" %%A in (\'"%READ% 2>&1"\') do (\r\necho %%A\r\n)'):
            with self.subTest(line=line):
                self.assertEqual(unsafe_commands(self.SAFE + line + '\r\n'), [])

    def test_a_forgotten_or_misplaced_row_is_seen(self):
        ReadBackScript.setUpClass()
        text, rows, effects = ReadBackScript.text, ReadBackScript.rows, ReadBackScript.effects
        lines = text.split('\r\n')
        defrag = [n for n, line in enumerate(lines)
                  if re.search(r'sc\.exe"? qc defragsvc\b', line)]
        self.assertEqual(len(defrag), 1)
        forgotten = '\r\n'.join(l for n, l in enumerate(lines) if n not in defrag)
        self.assertIn("row diskfrag: readback.cmd does not show ('service', 'defragsvc')",
                      coverage_problems(rows, effects, forgotten))
        moved = lines[:1] + [lines[defrag[0]]] + [l for n, l in enumerate(lines) if n not in defrag
                                                   and n > 0]
        problems = coverage_problems(rows, effects, '\r\n'.join(moved))
        self.assertEqual(len(problems), 1)
        self.assertIn('out of the dialog\'s order', problems[0])
        # A step the rules do not know is reported, not passed over.
        unknown = [e + [('tool', 'vssadmin', 'resize shadowstorage')] if r['marker'] == 'hib' else e
                   for r, e in zip(rows, effects)]
        problems = coverage_problems(rows, unknown, text)
        self.assertEqual(len(problems), 1)
        self.assertIn('no read-back known', problems[0])


if __name__ == '__main__':
    unittest.main(verbosity=2)
