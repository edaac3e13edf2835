#!/usr/bin/env python3
"""Builds the user guide (Markdown) into one self-contained HTML page.

Usage: build-help.py SOURCE.md OUTPUT.html
Needs python3-markdown (Debian package).
"""
import html
import os
import re
import sys

import markdown

STYLE = """
body { font-family: "Noto Sans CJK SC", "WenQuanYi Micro Hei", sans-serif; line-height: 1.7; background: #fff;
       max-width: 52em; margin: 2em auto; padding: 0 1.5em; color: #222; }
h1 { color: #1f6fb2; border-bottom: 3px solid #1f6fb2; padding-bottom: .3em; }
h2 { color: #1f6fb2; border-bottom: 1px solid #c8d6e5; padding-bottom: .2em; margin-top: 2em; }
h3 { color: #3d5a80; }
code { background: #eef2f7; padding: 0 .3em; border-radius: 3px; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #9fb3c8; padding: .3em .7em; text-align: left; vertical-align: top; }
th { background: #e8eef5; }
.toc { background: #f5f8fb; border: 1px solid #c8d6e5; padding: .5em 1.5em; }
"""

# A line break inside a Chinese sentence is not a space.
CJK = "\u3000-\u303f\u4e00-\u9fff\uff00-\uffef\u201c\u201d"
CJK_BREAK = re.compile(f"(?<=[{CJK}])\n\\s*(?=[{CJK}])")


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    source, output = argv[1], argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    md = markdown.Markdown(extensions=["toc", "tables"], extension_configs={"toc": {"title": "目录", "toc_depth": "2-3"}})
    body = CJK_BREAK.sub("", md.convert(text))
    title = text.splitlines()[0].lstrip("# ").strip() if text else "使用手册"
    page = (
        "<!DOCTYPE html>\n"
        '<html lang="zh-CN">\n<head>\n<meta charset="utf-8">\n'
        f"<title>{html.escape(title)}</title>\n<style>{STYLE}</style>\n</head>\n<body>\n"
        f"{body}\n</body>\n</html>\n"
    )
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    part = output + ".part"
    with open(part, "w", encoding="utf-8") as f:
        f.write(page)
    os.replace(part, output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
