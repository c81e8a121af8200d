#!/usr/bin/env python3
"""Repairs the type offsets of pure [out] string parameters in a widl -Oif proxy file.

widl 8 gives an [out, string] char** parameter the type offset of the pointee (the FC_OP
string pointer) instead of the FC_RP [pointer_deref] entry that points at it, so the string
comes back NULL across processes. This rewrites each such parameter's offset to that of the
FC_RP entry. Only pure out parameters whose offset is the target of an FC_RP deref entry
are touched.
Usage: fix_widl_proxy.py IN.c OUT.c
"""
import re
import sys

ENTRY = re.compile(r'^/\* (\d+) \(')
OFFSET = re.compile(r'NdrFcShort\(0x([0-9a-f]+)\),\s*/\* Offset= (-?\d+) \((\d+)\) \*/')
PARAM_FLAGS = re.compile(r'NdrFcShort\(0x([0-9a-f]+)\),\s*/\* flags: ([^*]*)\*/')
TYPE_OFFSET = re.compile(r'NdrFcShort\(0x([0-9a-f]+)\),(\s*)/\* type offset = (\d+) \*/')


def rp_deref_targets(lines, start):
    """Maps pointee offset -> offset of the FC_RP [pointer_deref] entry pointing at it."""
    targets = {}
    current = None
    for i in range(start, len(lines)):
        line = lines[i]
        m = ENTRY.match(line)
        if m:
            current = int(m.group(1))
            continue
        stripped = line.strip()
        if stripped.startswith('0x11, ') and 'FC_RP' in stripped and 'pointer_deref' in stripped:
            m = OFFSET.search(lines[i + 1])
            if m and current is not None:
                targets[int(m.group(3))] = current
        if stripped == '};':
            break
    return targets


def main():
    src, dst = sys.argv[1], sys.argv[2]
    lines = open(src).read().split('\n')
    type_start = next(i for i, l in enumerate(lines) if '__MIDL_TypeFormatString =' in l)
    targets = rp_deref_targets(lines, type_start)
    fixed = 0
    for i in range(type_start):
        m = TYPE_OFFSET.search(lines[i])
        if not m or i < 2:
            continue
        flags = PARAM_FLAGS.search(lines[i - 2])
        if not flags:
            continue
        words = flags.group(2)
        pure_out = ' out' in words and ' in' not in words.replace('must', '')
        offset = int(m.group(3))
        if pure_out and 'base type' not in words and offset in targets:
            new = targets[offset]
            lines[i] = TYPE_OFFSET.sub(
                'NdrFcShort(0x%x),%s/* type offset = %d */' % (new, m.group(2), new), lines[i])
            fixed += 1
    open(dst, 'w').write('\n'.join(lines))
    print('fix_widl_proxy: %d parameter offset(s) rewritten' % fixed)


if __name__ == '__main__':
    main()
