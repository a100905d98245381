#!/usr/bin/env python3
"""check_classes.py - checks the reader's class files for phones with CLDC 1.0 and MIDP 1.0.

Usage: check_classes.py --api <compiled API classes> <classes dir>

The classes dir holds TBookMIDlet.class and standard/ and nokia/ TBookCanvas.class. Each pair
(main class + one canvas) must stay under 8,000 bytes together, be class-file version 46.0,
carry a StackMap on every method that branches, use no floating point, and reference only
classes and members that our API classes declare; com.nokia classes only from the full-screen canvas. Exits 1 with one line per fault.
"""
import os
import struct
import sys

OWN = {"TBookMIDlet", "TBookCanvas"}
SIZE_LIMIT = 8000  # bytes of the main class and one canvas together

# Instruction operand lengths (bytes after the opcode); switches and wide are decoded apart.
OPERANDS = {0x10: 1, 0x12: 1, 0xa9: 1, 0xbc: 1, 0x11: 2, 0x13: 2, 0x14: 2, 0x84: 2, 0xbb: 2,
            0xbd: 2, 0xc0: 2, 0xc1: 2, 0xc6: 2, 0xc7: 2, 0xc5: 3, 0xb9: 4, 0xba: 4, 0xc8: 4, 0xc9: 4}
OPERANDS.update({op: 1 for op in range(0x15, 0x1a)})
OPERANDS.update({op: 1 for op in range(0x36, 0x3b)})
OPERANDS.update({op: 2 for op in range(0x99, 0xa9)})
OPERANDS.update({op: 2 for op in range(0xb2, 0xb9)})
BRANCHES = set(range(0x99, 0xa9)) | {0xaa, 0xab, 0xc6, 0xc7, 0xc8, 0xc9}
FLOATING = (set(range(0x0b, 0x10)) | {0x17, 0x18} | set(range(0x22, 0x2a)) | {0x30, 0x31, 0x38, 0x39}
            | set(range(0x43, 0x4b)) | {0x51, 0x52, 0x62, 0x63, 0x66, 0x67, 0x6a, 0x6b, 0x6e, 0x6f,
                                         0x72, 0x73, 0x76, 0x77, 0x86, 0x87, 0x89, 0x8a}
            | set(range(0x8b, 0x91)) | set(range(0x95, 0x99)) | {0xae, 0xaf})


class ClassFile:
    def __init__(self, data):
        self.data = data
        self.magic, self.minor, self.major = struct.unpack(">IHH", data[:8])
        self.cp = [None]
        pos = 10
        count = struct.unpack(">H", data[8:10])[0]
        while len(self.cp) < count:
            tag = data[pos]
            if tag == 1:
                n = struct.unpack(">H", data[pos + 1:pos + 3])[0]
                self.cp.append((1, data[pos + 3:pos + 3 + n].decode("utf-8", "replace")))
                pos += 3 + n
            elif tag in (3, 4, 9, 10, 11, 12, 18):
                self.cp.append((tag, struct.unpack(">HH", data[pos + 1:pos + 5])))
                pos += 5
            elif tag in (5, 6):
                self.cp += [(tag, None), None]
                pos += 9
            elif tag in (7, 8, 16, 19, 20):
                self.cp.append((tag, struct.unpack(">H", data[pos + 1:pos + 3])[0]))
                pos += 3
            elif tag == 15:
                self.cp.append((tag, None))
                pos += 4
            else:
                raise ValueError("unknown constant tag %d" % tag)
        _, this, sup = struct.unpack(">HHH", data[pos:pos + 6])
        self.name = self.class_name(this)
        self.super = self.class_name(sup) if sup else None
        pos += 6
        n = struct.unpack(">H", data[pos:pos + 2])[0]
        self.interfaces = [self.class_name(struct.unpack(">H", data[pos + 2 + 2 * i:pos + 4 + 2 * i])[0])
                           for i in range(n)]
        pos += 2 + 2 * n
        self.fields, pos = self.members(pos)
        self.methods, pos = self.members(pos)

    def utf(self, i):
        return self.cp[i][1]

    def class_name(self, i):
        return self.utf(self.cp[i][1])

    def members(self, pos):
        result = []
        count = struct.unpack(">H", self.data[pos:pos + 2])[0]
        pos += 2
        for _ in range(count):
            _, name, desc, attrs = struct.unpack(">HHHH", self.data[pos:pos + 8])
            pos += 8
            attributes = {}
            for _ in range(attrs):
                aname, length = struct.unpack(">HI", self.data[pos:pos + 6])
                attributes[self.utf(aname)] = self.data[pos + 6:pos + 6 + length]
                pos += 6 + length
            result.append((self.utf(name), self.utf(desc), attributes))
        return result, pos

    def refs(self):
        for entry in self.cp:
            if entry and entry[0] in (9, 10, 11):
                cls, nat = entry[1]
                name, desc = self.cp[nat][1]
                yield self.class_name(cls), self.utf(name), self.utf(desc)


def code_facts(code):
    """(branches, floating) of one Code attribute."""
    length = struct.unpack(">I", code[4:8])[0]
    body = code[8:8 + length]
    handlers = struct.unpack(">H", code[8 + length:10 + length])[0]
    branches, floating = handlers > 0, False
    pc = 0
    while pc < len(body):
        op = body[pc]
        branches |= op in BRANCHES
        floating |= op in FLOATING
        if op == 0xc4:
            pc += 6 if body[pc + 1] == 0x84 else 4
        elif op in (0xaa, 0xab):
            pad = pc + 1 + (3 - pc % 4)
            if op == 0xaa:
                low, high = struct.unpack(">ii", body[pad + 4:pad + 12])
                pc = pad + 12 + 4 * (high - low + 1)
            else:
                pairs = struct.unpack(">i", body[pad + 4:pad + 8])[0]
                pc = pad + 8 + 8 * pairs
        else:
            pc += 1 + OPERANDS.get(op, 0)
    return branches, floating


def descriptor_classes(desc):
    names, i = [], 0
    while i < len(desc):
        if desc[i] == "L":
            end = desc.index(";", i)
            names.append(desc[i + 1:end])
            i = end
        i += 1
    return names


def has_floating_type(desc):
    plain = desc
    for name in descriptor_classes(desc):
        plain = plain.replace("L" + name + ";", "")
    return "F" in plain or "D" in plain


def load_api(root):
    api = {}
    for folder, _, files in os.walk(root):
        for f in files:
            if f.endswith(".class"):
                with open(os.path.join(folder, f), "rb") as fh:
                    c = ClassFile(fh.read())
                api[c.name] = c
    return api


def resolves(classes, cls, name, desc):
    seen, todo = set(), [cls]
    while todo:
        c = classes.get(todo.pop())
        if c is None or c.name in seen:
            continue
        seen.add(c.name)
        if any(m[0] == name and m[1] == desc for m in c.fields + c.methods):
            return True
        todo += [c.super] if c.super else []
        todo += c.interfaces
    return False


def check_pair(api, main, canvas, allow_nokia):
    faults = []
    classes = dict(api)
    classes.update({main.name: main, canvas.name: canvas})
    for c in (main, canvas):
        def known(name):
            base = name.lstrip("[")
            if base.startswith("L"):
                base = base[1:-1]
            elif len(base) == 1:
                return True
            return base in OWN or (base in api and (allow_nokia or not base.startswith("com/nokia/")))
        if (c.magic, c.major, c.minor) != (0xCAFEBABE, 46, 0):
            faults.append("%s: not a version 46.0 class file" % c.name)
        for entry in c.cp:
            if entry and entry[0] in (4, 6):
                faults.append("%s: floating-point constant" % c.name)
            if entry and entry[0] == 7:
                name = c.utf(entry[1])
                if not known(name):
                    faults.append("%s: uses class %s" % (c.name, name))
        for cls, name, desc in c.refs():
            for n in descriptor_classes(desc):
                if not known(n):
                    faults.append("%s: uses class %s in %s.%s" % (c.name, n, cls, name))
            if has_floating_type(desc):
                faults.append("%s: floating point in %s.%s%s" % (c.name, cls, name, desc))
            if known(cls) and not resolves(classes, cls, name, desc):
                faults.append("%s: uses %s.%s%s, not in the API" % (c.name, cls, name, desc))
        for name, desc, attrs in c.fields + c.methods:
            if has_floating_type(desc):
                faults.append("%s: floating point in %s%s" % (c.name, name, desc))
            for n in descriptor_classes(desc):
                if not known(n):
                    faults.append("%s: uses class %s in %s" % (c.name, n, name))
            code = attrs.get("Code")
            if code is None:
                continue
            branches, floating = code_facts(code)
            if floating:
                faults.append("%s: floating-point instruction in %s%s" % (c.name, name, desc))
            sub = code[8 + struct.unpack(">I", code[4:8])[0]:]
            handlers = struct.unpack(">H", sub[:2])[0]
            pos = 2 + 8 * handlers
            count = struct.unpack(">H", sub[pos:pos + 2])[0]
            pos += 2
            names = []
            for _ in range(count):
                aname, length = struct.unpack(">HI", sub[pos:pos + 6])
                names.append(c.utf(aname))
                pos += 6 + length
            if branches and "StackMap" not in names:
                faults.append("%s: %s%s branches without a StackMap" % (c.name, name, desc))
    return faults


def main(argv):
    if len(argv) != 4 or argv[1] != "--api":
        print(__doc__)
        return 2
    api = load_api(argv[2])
    root = argv[3]
    with open(os.path.join(root, "TBookMIDlet.class"), "rb") as f:
        main_class = ClassFile(f.read())
    faults = []
    for variant in ("standard", "nokia"):
        with open(os.path.join(root, variant, "TBookCanvas.class"), "rb") as f:
            canvas = ClassFile(f.read())
        faults += ["%s: %s" % (variant, x) for x in check_pair(api, main_class, canvas, variant == "nokia")]
        # The phones this is for refuse or choke on larger midlets; the pair shares one budget.
        total = len(main_class.data) + len(canvas.data)
        if total >= SIZE_LIMIT:
            faults.append("%s: TBookMIDlet.class + TBookCanvas.class are %d bytes, not under %d"
                          % (variant, total, SIZE_LIMIT))
    for fault in dict.fromkeys(faults):
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
