"""check_zip.py - reads an archive with Python's zipfile and compares it with a tree."""
import os
import sys
import zipfile


def main(archive, tree):
    with zipfile.ZipFile(archive) as z:
        bad = z.testzip()
        if bad is not None:
            sys.exit(f"CRC or data error in {bad}")
        for info in z.infolist():
            source = os.path.join(tree, info.filename)
            if info.is_dir():
                if not os.path.isdir(source):
                    sys.exit(f"no directory for {info.filename}")
                continue
            with open(source, "rb") as f:
                if z.read(info) != f.read():
                    sys.exit(f"content differs: {info.filename}")
        print("ok", len(z.infolist()))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
