#!/usr/bin/env python3
"""Checks that every text the user reads is translated.

usage: check_translations.py SOURCE_DIR [TS_FILE]

With the source folder: lupdate reads the sources into a copy of the translation file, and every text
must have a translation; every Chinese string literal of the program's sources must go through the
translation functions. With a translation file alone (no lupdate run): its translations are checked.
Every translation keeps the text's %1..%n placeholders and its one keyboard accelerator, and holds no
Chinese. Prints each fault and exits with 1 when there is one.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

HAN = re.compile(r'[\u3000-\u303f\u4e00-\u9fff\uff00-\uffef]')
PLACEHOLDER = re.compile(r'%(\d+)')
ACCELERATOR = re.compile(r'&(?!&)\S')
LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
# A literal counts as translated when one of these opens right before it, or it follows another literal.
WRAPPED = re.compile(r'(translate\(\s*"[^"]*"\s*,|QT_TRANSLATE_NOOP\(\s*"[^"]*"\s*,|\btr\()\s*$')
SOURCE_FOLDERS = ['app', 'cli', 'common', 'engine', 'packing', 'platform', 'security', 'session', 'sites',
                  'transfer', 'ui', 'xml']
# Texts in one language only: language names, and names stored in files.
KEPT = {'繁體中文', '我的最愛'}


def translation_faults(ts_path):
    faults = []
    for context in ET.parse(ts_path).getroot().iter('context'):
        name = context.findtext('name')
        for message in context.iter('message'):
            source = message.findtext('source') or ''
            element = message.find('translation')
            text = element.text or '' if element is not None else ''
            where = '%s: "%s"' % (name, source[:60])
            if element is None or element.get('type') == 'unfinished' or not text:
                faults.append('untranslated ' + where)
                continue
            if sorted(PLACEHOLDER.findall(source)) != sorted(PLACEHOLDER.findall(text)):
                faults.append('placeholders differ ' + where + ' -> "%s"' % text[:60])
            if len(ACCELERATOR.findall(source)) != len(ACCELERATOR.findall(text)):
                faults.append('accelerator differs ' + where + ' -> "%s"' % text[:60])
            if HAN.search(text) and source not in KEPT:
                faults.append('Chinese left in ' + where + ' -> "%s"' % text[:60])
    return faults


def without_comments(code):
    """The code with its comments blanked out, line breaks kept."""
    out, i, quote = [], 0, None
    while i < len(code):
        c = code[i]
        if quote:
            out.append(c)
            if c == '\\':
                out.append(code[i + 1:i + 2])
                i += 1
            elif c == quote or c == '\n':
                quote = None
        elif code.startswith('//', i):
            end = code.find('\n', i)
            i = len(code) if end < 0 else end
            continue
        elif code.startswith('/*', i):
            end = code.find('*/', i + 2)
            end = len(code) if end < 0 else end + 2
            out.append('\n' * code.count('\n', i, end))
            i = end
            continue
        else:
            if c in '"\'':
                quote = c
            out.append(c)
        i += 1
    return ''.join(out)


def unwrapped_literals(source_dir):
    faults = []
    for folder in SOURCE_FOLDERS:
        for root, _, files in os.walk(os.path.join(source_dir, folder)):
            for file in sorted(files):
                if not file.endswith(('.cpp', '.h')):
                    continue
                path = os.path.join(root, file)
                with open(path, encoding='utf-8') as handle:
                    code = without_comments(handle.read())
                previous_end = -1
                for match in LITERAL.finditer(code):
                    before = code[:match.start()]
                    joined = previous_end >= 0 and not code[previous_end:match.start()].strip()
                    wrapped = WRAPPED.search(before[-200:]) is not None
                    if wrapped or joined and previous_wrapped:
                        previous_wrapped, previous_end = True, match.end()
                        continue
                    previous_wrapped, previous_end = False, match.end()
                    if HAN.search(match.group(1)) and match.group(1) not in KEPT:
                        line = before.count('\n') + 1
                        faults.append('not translatable %s:%d: "%s"' % (os.path.relpath(path, source_dir), line,
                                                                        match.group(1)[:60]))
    return faults


def main():
    if len(sys.argv) == 3 and not os.path.isdir(sys.argv[1]):
        faults = translation_faults(sys.argv[2])
    else:
        source_dir = os.path.abspath(sys.argv[1])
        ts = sys.argv[2] if len(sys.argv) > 2 else os.path.join(source_dir, 'translations', 'zentrava_en.ts')
        with tempfile.TemporaryDirectory() as scratch:
            copy = os.path.join(scratch, 'check.ts')
            shutil.copy(ts, copy)
            subprocess.run(['/usr/lib/qt6/bin/lupdate', '-silent', '-no-obsolete', '-locations', 'none',
                            '-extensions', 'cpp,h'] + [os.path.join(source_dir, f) for f in SOURCE_FOLDERS] +
                           ['-ts', copy], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            faults = translation_faults(copy) + unwrapped_literals(source_dir)
    for fault in faults:
        print(fault)
    print('%d fault(s)' % len(faults))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
