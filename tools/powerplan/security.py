"""The security descriptor every key of the power-plan hive carries.

powercfg exports copy the descriptor of the live power-scheme keys: owner and group SYSTEM and a
DACL inherited from the PowerSchemes key (Users and Administrators read, SYSTEM full control, and
the inherit-only generic entries that pass the same rights on to subkeys). We build those bytes
from the well-known SIDs here instead of carrying an opaque blob, so the content is reviewable.
"""

import struct

# Well-known SIDs: (identifier authority, sub-authorities)
SID_SYSTEM = (5, (18,))              # S-1-5-18, LocalSystem
SID_ADMINISTRATORS = (5, (32, 544))  # S-1-5-32-544, BUILTIN\Administrators
SID_USERS = (5, (32, 545))           # S-1-5-32-545, BUILTIN\Users
SID_CREATOR_OWNER = (3, (0,))        # S-1-3-0, CREATOR OWNER

ACCESS_ALLOWED_ACE_TYPE = 0

OBJECT_INHERIT_ACE = 0x01
CONTAINER_INHERIT_ACE = 0x02
INHERIT_ONLY_ACE = 0x08
INHERITED_ACE = 0x10

KEY_READ = 0x00020019
KEY_ALL_ACCESS = 0x000F003F
GENERIC_READ = 0x80000000
GENERIC_ALL = 0x10000000

SE_DACL_PRESENT = 0x0004
SE_DACL_AUTO_INHERITED = 0x0400
SE_SACL_AUTO_INHERITED = 0x0800
SE_SELF_RELATIVE = 0x8000

ACL_REVISION = 2
SECURITY_DESCRIPTOR_REVISION = 1


def encode_sid(sid):
    authority, subs = sid
    return (struct.pack('<BB', 1, len(subs)) + authority.to_bytes(6, 'big')
            + struct.pack('<%dI' % len(subs), *subs))


def encode_ace(ace_type, flags, mask, sid):
    body = struct.pack('<I', mask) + encode_sid(sid)
    return struct.pack('<BBH', ace_type, flags, 4 + len(body)) + body


def encode_acl(aces):
    body = b''.join(aces)
    return struct.pack('<BBHHH', ACL_REVISION, 0, 8 + len(body), len(aces), 0) + body


def self_relative_descriptor(control, owner, group, dacl):
    """Self-relative descriptor without SACL, laid out as Windows writes it: DACL, owner, group."""
    header_size = 20
    dacl_offset = header_size
    owner_offset = dacl_offset + len(dacl)
    group_offset = owner_offset + len(owner)
    header = struct.pack('<BBHIIII', SECURITY_DESCRIPTOR_REVISION, 0, control | SE_SELF_RELATIVE,
                         owner_offset, group_offset, 0, dacl_offset)
    return header + dacl + owner + group


def power_scheme_descriptor():
    """Descriptor of a power-scheme key as inherited from the PowerSchemes key."""
    inherited = INHERITED_ACE
    passed_on = INHERITED_ACE | INHERIT_ONLY_ACE | CONTAINER_INHERIT_ACE
    dacl = encode_acl([
        encode_ace(ACCESS_ALLOWED_ACE_TYPE, inherited, KEY_READ, SID_USERS),
        encode_ace(ACCESS_ALLOWED_ACE_TYPE, passed_on, GENERIC_READ, SID_USERS),
        encode_ace(ACCESS_ALLOWED_ACE_TYPE, inherited, KEY_READ, SID_ADMINISTRATORS),
        encode_ace(ACCESS_ALLOWED_ACE_TYPE, passed_on, GENERIC_READ, SID_ADMINISTRATORS),
        encode_ace(ACCESS_ALLOWED_ACE_TYPE, inherited, KEY_ALL_ACCESS, SID_SYSTEM),
        encode_ace(ACCESS_ALLOWED_ACE_TYPE, passed_on, GENERIC_ALL, SID_SYSTEM),
        encode_ace(ACCESS_ALLOWED_ACE_TYPE, passed_on, GENERIC_READ, SID_CREATOR_OWNER),
    ])
    control = SE_DACL_PRESENT | SE_DACL_AUTO_INHERITED | SE_SACL_AUTO_INHERITED
    return self_relative_descriptor(control, encode_sid(SID_SYSTEM), encode_sid(SID_SYSTEM), dacl)


POWER_SCHEME_DESCRIPTOR = power_scheme_descriptor()
