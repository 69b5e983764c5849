#!/usr/bin/env python3
"""Draws the toolbar's bundled PNG icons (24 px and 48 px) from their SVG sources with librsvg.

The program loads the SVGs where Qt's SVG support is installed and these PNGs otherwise, so both
are kept in the repository. Run after editing an SVG: scripts/toolbar-icons.py
"""
import ctypes
import ctypes.util
import pathlib
import sys

ICONS = pathlib.Path(__file__).resolve().parent.parent / "src" / "app" / "icons" / "toolbar"


def load(names):
    for name in names:
        path = ctypes.util.find_library(name) or name
        try:
            return ctypes.CDLL(path)
        except OSError:
            continue
    sys.exit("librsvg or gdk-pixbuf is missing (" + ", ".join(names) + ")")


def main():
    rsvg = load(["rsvg-2", "librsvg-2.so.2"])
    pixbuf = load(["gdk_pixbuf-2.0", "libgdk_pixbuf-2.0.so.0"])
    rsvg.rsvg_handle_new_from_file.restype = ctypes.c_void_p
    rsvg.rsvg_handle_new_from_file.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
    rsvg.rsvg_pixbuf_from_file_at_size.restype = ctypes.c_void_p
    rsvg.rsvg_pixbuf_from_file_at_size.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.c_int, ctypes.c_void_p]
    pixbuf.gdk_pixbuf_save.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_void_p,
                                       ctypes.c_void_p]
    for svg in sorted(ICONS.glob("*.svg")):
        for size, suffix in ((24, ""), (48, "@2x")):
            error = ctypes.c_void_p()
            image = rsvg.rsvg_pixbuf_from_file_at_size(str(svg).encode(), size, size, ctypes.byref(error))
            if not image:
                sys.exit(f"cannot draw {svg}")
            out = svg.with_name(svg.stem + suffix + ".png")
            if not pixbuf.gdk_pixbuf_save(image, str(out).encode(), b"png", ctypes.byref(error), None):
                sys.exit(f"cannot write {out}")
            print(out.name)


if __name__ == "__main__":
    main()
