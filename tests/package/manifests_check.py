#!/usr/bin/python3
"""Holds the winget and Scoop manifests that scripts/manifests wrote into DIR to the rules of
those two package managers, and to the release files beside them: every required field there,
each hash the SHA-256 of its exe, every URL https and naming that exe, and the version the one
in the exes' own version block. Prints each fault; exit status 1 when there is any.

    manifests_check.py DIR
"""
import glob
import hashlib
import json
import os
import re
import struct
import sys

import yaml

faults = []


def fault(text):
    faults.append(text)


def exe_version(path):
    """The product version in the fixed part of a Windows program's version block, as
    "major.minor.patch" (the fourth number must be 0)."""
    data = open(path, 'rb').read()
    at = data.find(struct.pack('<I', 0xFEEF04BD))
    if at < 0:
        return None
    ms, ls = struct.unpack_from('<II', data, at + 16)
    numbers = [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF]
    if numbers[3]:
        return None
    return '.'.join(map(str, numbers[:3]))


def main(top):
    exes = {}
    for path in glob.glob(os.path.join(top, 'Orvane-*-x*.exe')):
        arch = re.search(r'-(x64|x86)\.exe$', path).group(1)
        exes[arch] = path
    if sorted(exes) != ['x64', 'x86']:
        fault(f'want Orvane-VERSION-x64.exe and -x86.exe in {top}, found {sorted(exes)}')
        return
    sha = {a: hashlib.sha256(open(p, 'rb').read()).hexdigest() for a, p in exes.items()}
    versions = {exe_version(p) for p in exes.values()}
    if len(versions) != 1 or None in versions:
        fault(f'the two exes carry versions {versions}')
        return
    version = versions.pop()
    names = {a: os.path.basename(p) for a, p in exes.items()}
    if any(n != f'Orvane-{version}-{a}.exe' for a, n in names.items()):
        fault(f'file names {names} do not carry the program version {version}')

    def https_to(url, arch, what):
        if not (isinstance(url, str) and url.startswith('https://')):
            fault(f'{what}: not an https URL: {url!r}')
        elif not url.split('#')[0].endswith('/' + names[arch]):
            fault(f'{what}: {url} is not the URL of {names[arch]}')

    # winget: three files in manifests/<first letter>/<publisher>/<name>/<version>/.
    wdirs = glob.glob(os.path.join(top, 'winget', 'manifests', '*', '*', '*', '*'))
    if len(wdirs) != 1:
        fault(f'want one winget manifest folder, found {wdirs}')
        return
    wdir = wdirs[0]
    letter, publisher, name, folder_version = wdir.split(os.sep)[-4:]
    ident = f'{publisher}.{name}'
    if letter != publisher[0].lower() or folder_version != version:
        fault(f'winget folder {wdir} is not manifests/{publisher[0].lower()}/{publisher}/{name}/{version}')
    required = {
        'version': ['PackageIdentifier', 'PackageVersion', 'DefaultLocale', 'ManifestType',
                    'ManifestVersion'],
        'installer': ['PackageIdentifier', 'PackageVersion', 'Installers', 'ManifestType',
                      'ManifestVersion'],
        'defaultLocale': ['PackageIdentifier', 'PackageVersion', 'PackageLocale', 'Publisher',
                          'PackageName', 'License', 'ShortDescription', 'ManifestType',
                          'ManifestVersion'],
    }
    docs = {}
    for kind, fields in required.items():
        if kind == 'version':
            path = os.path.join(wdir, f'{ident}.yaml')
        elif kind == 'installer':
            path = os.path.join(wdir, f'{ident}.installer.yaml')
        else:
            found = glob.glob(os.path.join(wdir, f'{ident}.locale.*.yaml'))
            path = found[0] if len(found) == 1 else os.path.join(wdir, f'{ident}.locale.?.yaml')
        if not os.path.isfile(path):
            fault(f'winget: no {os.path.basename(path)}')
            continue
        text = open(path, encoding='utf-8').read()
        doc = yaml.safe_load(text)
        docs[kind] = doc
        missing = [f for f in fields if doc.get(f) in (None, '', [])]
        if missing:
            fault(f'winget {kind}: missing {missing}')
        if doc.get('ManifestType') != kind:
            fault(f'winget {kind}: ManifestType {doc.get("ManifestType")!r}')
        mv = str(doc.get('ManifestVersion'))
        schema = f'# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{mv}.schema.json'
        if text.splitlines()[0] != schema:
            fault(f'winget {kind}: first line is not {schema!r}')
        if doc.get('PackageIdentifier') != ident or str(doc.get('PackageVersion')) != version:
            fault(f'winget {kind}: {doc.get("PackageIdentifier")} {doc.get("PackageVersion")}, '
                  f'want {ident} {version}')
    if len(docs) == 3:
        if len({str(d['ManifestVersion']) for d in docs.values()}) != 1:
            fault('winget: the three files name different manifest versions')
        locale = docs['defaultLocale']
        if locale.get('PackageLocale') != docs['version'].get('DefaultLocale'):
            fault('winget: the default locale file is not the one the version file names')
        if locale.get('License') != 'MIT':
            fault(f'winget: License {locale.get("License")!r}')
        for key in ('PublisherUrl', 'PackageUrl', 'LicenseUrl', 'ReleaseNotesUrl'):
            if key in locale and not str(locale[key]).startswith('https://'):
                fault(f'winget: {key} is not https')
        inst = docs['installer']
        seen = {}
        for entry in inst.get('Installers') or []:
            arch = entry.get('Architecture')
            seen[arch] = entry
            kind = entry.get('InstallerType', inst.get('InstallerType'))
            if kind != 'portable':
                fault(f'winget {arch}: InstallerType {kind!r}, want portable')
            if arch in sha:
                https_to(entry.get('InstallerUrl'), arch, f'winget {arch}')
                if entry.get('InstallerSha256') != sha[arch].upper():
                    fault(f'winget {arch}: InstallerSha256 is not the SHA-256 of {names[arch]}')
        if sorted(seen) != ['x64', 'x86']:
            fault(f'winget: installers for {sorted(seen)}, want x64 and x86')
        if not inst.get('Commands'):
            fault('winget: a portable package needs a command alias (Commands)')

    # Scoop: one JSON file.
    try:
        scoop = json.load(open(os.path.join(top, 'scoop', 'orvane.json'), encoding='utf-8'))
    except (OSError, ValueError) as e:
        fault(f'scoop: {e}')
        return
    for key in ('version', 'description', 'homepage', 'license', 'architecture', 'shortcuts',
                'checkver', 'autoupdate'):
        if not scoop.get(key):
            fault(f'scoop: missing {key}')
    if scoop.get('version') != version:
        fault(f'scoop: version {scoop.get("version")!r}, want {version}')
    if scoop.get('license') != 'MIT':
        fault(f'scoop: license {scoop.get("license")!r}')
    if not str(scoop.get('homepage')).startswith('https://'):
        fault('scoop: homepage is not https')
    bits = {'64bit': 'x64', '32bit': 'x86'}
    for key, arch in bits.items():
        entry = (scoop.get('architecture') or {}).get(key) or {}
        https_to(entry.get('url'), arch, f'scoop {key}')
        if str(entry.get('hash', '')).lower() != sha[arch]:
            fault(f'scoop {key}: hash is not the SHA-256 of {names[arch]}')
        auto = ((scoop.get('autoupdate') or {}).get('architecture') or {}).get(key) or {}
        want = str(entry.get('url', '')).replace(version, '$version')
        if auto.get('url') != want:
            fault(f'scoop autoupdate {key}: url {auto.get("url")!r}, want {want!r}')
    for shortcut in scoop.get('shortcuts') or []:
        target = shortcut[0] if shortcut else None
        saved = {str(e.get('url', '')).partition('#/')[2]
                 for e in (scoop.get('architecture') or {}).values()}
        if saved != {target}:
            fault(f'scoop: shortcut to {target!r}, but the download is saved as {saved}')


main(sys.argv[1])
for f in faults:
    print(f)
sys.exit(1 if faults else 0)
