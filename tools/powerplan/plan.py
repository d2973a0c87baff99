"""Reads the readable description of a power plan (`*.plan`, INI syntax) and turns it into the
key tree of a power-scheme export.

    [scheme]
    guid = <scheme GUID, becomes the root key>
    name = <FriendlyName>
    description = <Description>
    timestamp = 2024-01-01T00:00:00Z      (optional; the write time of every key)

    [<any label>]                         one section per power setting
    subgroup = <subgroup GUID, or "none" for settings that belong to no subgroup>
    setting = <setting GUID>
    ac = <index on mains power>           at least one of ac / dc
    dc = <index on battery>

A setting left out of the plan, or a dc left out of a setting, keeps the value of the plan's
personality. The personality setting itself must be present: powercfg always exports it and
decides the defaults from it.
"""

import configparser
import datetime
import re

from regf import Key, Value, filetime_from_unix

PERSONALITY_SETTING = '245d8541-3943-4422-b025-13a784f679b7'
PERSONALITIES = {0: 'power saver', 1: 'high performance', 2: 'balanced'}

_GUID = re.compile(r'^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$')


class PlanError(ValueError):
    pass


class Setting:
    def __init__(self, label, subgroup, setting, ac, dc):
        self.label = label
        self.subgroup = subgroup
        self.setting = setting
        self.ac = ac
        self.dc = dc


class Plan:
    def __init__(self, guid, name, description, timestamp, settings):
        self.guid = guid
        self.name = name
        self.description = description
        self.timestamp = timestamp
        self.settings = settings

    @property
    def personality(self):
        for s in self.settings:
            if s.setting == PERSONALITY_SETTING:
                return s.ac
        return None


def _guid(where, text):
    text = text.strip().strip('{}').lower()
    if not _GUID.match(text):
        raise PlanError('%s: %r is not a GUID' % (where, text))
    return text


def _index(where, text):
    try:
        number = int(text.strip(), 0)
    except ValueError:
        raise PlanError('%s: %r is not a number' % (where, text)) from None
    if not 0 <= number <= 0xFFFFFFFF:
        raise PlanError('%s: %d does not fit a DWORD' % (where, number))
    return number


def _timestamp(where, text):
    try:
        moment = datetime.datetime.strptime(text.strip(), '%Y-%m-%dT%H:%M:%SZ')
    except ValueError:
        raise PlanError('%s: timestamp must look like 2024-01-01T00:00:00Z' % where) from None
    moment = moment.replace(tzinfo=datetime.timezone.utc)
    return filetime_from_unix(moment.timestamp())


def _text(where, text):
    text = text.strip()
    if not text:
        raise PlanError('%s is empty' % where)
    if '\0' in text:
        raise PlanError('%s holds a NUL character' % where)
    return text


def parse_plan(source, origin='<plan>'):
    parser = configparser.ConfigParser(interpolation=None, default_section='\0none')
    try:
        parser.read_string(source, origin)
    except configparser.Error as error:
        raise PlanError(str(error)) from None
    if not parser.has_section('scheme'):
        raise PlanError('%s: no [scheme] section' % origin)

    scheme = parser['scheme']
    unknown = set(scheme) - {'guid', 'name', 'description', 'timestamp'}
    if unknown:
        raise PlanError('[scheme]: unknown field(s) %s' % ', '.join(sorted(unknown)))
    for field in ('guid', 'name', 'description'):
        if field not in scheme:
            raise PlanError('[scheme]: %s is missing' % field)
    guid = _guid('[scheme] guid', scheme['guid'])
    name = _text('[scheme] name', scheme['name'])
    description = _text('[scheme] description', scheme['description'])
    timestamp = _timestamp('[scheme] timestamp', scheme['timestamp']) if 'timestamp' in scheme else None

    settings = []
    seen = {}
    for label in parser.sections():
        if label == 'scheme':
            continue
        section = parser[label]
        where = '[%s]' % label
        unknown = set(section) - {'subgroup', 'setting', 'ac', 'dc'}
        if unknown:
            raise PlanError('%s: unknown field(s) %s' % (where, ', '.join(sorted(unknown))))
        if 'setting' not in section:
            raise PlanError('%s: setting is missing' % where)
        setting = _guid(where + ' setting', section['setting'])
        subgroup_text = section.get('subgroup', 'none').strip()
        subgroup = None if subgroup_text.lower() == 'none' else _guid(where + ' subgroup', subgroup_text)
        ac = _index(where + ' ac', section['ac']) if 'ac' in section else None
        dc = _index(where + ' dc', section['dc']) if 'dc' in section else None
        if ac is None and dc is None:
            raise PlanError('%s: needs ac, dc or both' % where)
        if setting == guid or subgroup == guid:
            raise PlanError('%s: uses the scheme GUID' % where)
        if setting in seen:
            raise PlanError('%s: setting %s is already given in [%s]' % (where, setting, seen[setting]))
        seen[setting] = label
        settings.append(Setting(label, subgroup, setting, ac, dc))

    personality = [s for s in settings if s.setting == PERSONALITY_SETTING]
    if not personality:
        raise PlanError('the plan has no personality setting (%s)' % PERSONALITY_SETTING)
    p = personality[0]
    if p.subgroup is not None:
        raise PlanError('[%s]: the personality belongs to no subgroup' % p.label)
    for index in (p.ac, p.dc):
        if index is not None and index not in PERSONALITIES:
            raise PlanError('[%s]: personality %d is none of %s' % (p.label, index, PERSONALITIES))
    for s in settings:
        # A setting key and a subgroup key with the same name would collide under the root.
        if s.subgroup is None and any(o.subgroup == s.setting for o in settings):
            raise PlanError('[%s]: %s is used as a subgroup as well' % (s.label, s.setting))
    return Plan(guid, name, description, timestamp, settings)


def load_plan(path):
    with open(path, encoding='utf-8') as handle:
        return parse_plan(handle.read(), path)


def plan_to_tree(plan):
    """Root key named after the scheme; its values in the order powercfg writes them."""
    root = Key(plan.guid, values=[
        Value.expand_sz('Description', plan.description),
        Value.expand_sz('FriendlyName', plan.name),
    ])
    for s in plan.settings:
        parent = root if s.subgroup is None else root.subkey(s.subgroup)
        key = parent.subkey(s.setting)
        if s.ac is not None:
            key.values.append(Value.dword('ACSettingIndex', s.ac))
        if s.dc is not None:
            key.values.append(Value.dword('DCSettingIndex', s.dc))
    return root
