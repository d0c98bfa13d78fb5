#!/usr/bin/python3
"""Holds the winget and Scoop manifests that scripts/manifests wrote into DIR to the rules of
those two package managers (winget's: those of its manifest schema 1.12.0 for the fields we
write), and to the release files beside them: winget's installers are the NSIS installers, Scoop's
the bare exes; every required field there, each hash the SHA-256 of its file, every URL https and
naming that file, the version the one in the exes' own version block, and what winget is told of
the installers (product code, exit code while Orvane runs) what setup.nsi says of them. Prints
each fault; exit status 1 when there is any.

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
fault = faults.append
SETUP_NSI = os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../window/win32/dist/setup.nsi')
# winget's answers to an installer's exit code (ExpectedReturnCodes.ReturnResponse).
RETURN_RESPONSES = set('''packageInUse packageInUseByApplication installInProgress fileInUse
    missingDependency diskFull insufficientMemory invalidParameter noNetwork contactSupport
    rebootRequiredToFinish rebootRequiredForInstall rebootInitiated cancelledByUser alreadyInstalled
    downgrade blockedByPolicy systemNotSupported custom'''.split())


def exe_version(path):
    """A Windows program's product version from its fixed version block, as "major.minor.patch"."""
    data = open(path, 'rb').read()
    at = data.find(struct.pack('<I', 0xFEEF04BD))
    if at < 0:
        return None
    ms, ls = struct.unpack_from('<II', data, at + 16)
    return None if ls & 0xFFFF else f'{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}'


def nsi_define(text, name):
    found = re.search(rf'^!define {name} "?([^"\n]*)"?$', text, re.M)
    return found.group(1) if found else None


def main(top):
    exes = glob.glob(os.path.join(top, 'Orvane-*-x??.exe'))
    versions = {exe_version(p) for p in exes}
    if len(exes) != 2 or len(versions) != 1 or None in versions:
        fault(f'want the x64 and x86 exes of one version in {top}, found {exes} of versions {versions}')
        return
    version = versions.pop()
    # The release's files, named for the program version that the exes carry.
    names, setup_names = ({a: f'Orvane-{version}-{a}{end}' for a in ('x64', 'x86')}
                          for end in ('.exe', '-setup.exe'))
    try:
        sha, setup_sha = ({a: hashlib.sha256(open(os.path.join(top, n), 'rb').read()).hexdigest()
                           for a, n in files.items()} for files in (names, setup_names))
    except OSError as e:
        fault(f'{e}: the file names do not carry the program version {version}')
        return

    def https_to(url, name, what):
        if not (isinstance(url, str) and url.startswith('https://') and len(url) <= 2048):
            fault(f'{what}: not an https URL of at most 2048 characters: {url!r}')
        elif not url.split('#')[0].endswith('/' + name):
            fault(f'{what}: {url} is not the URL of {name}')

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
    # Each kind of file: its name, and the fields it must fill beside the four that all three fill
    # and that are held to their values below.
    required = {'version': (f'{ident}.yaml', ['DefaultLocale']),
                'installer': (f'{ident}.installer.yaml', ['Installers']),
                'defaultLocale': (f'{ident}.locale.*.yaml',
                                  ['PackageLocale', 'Publisher', 'PackageName', 'License', 'ShortDescription'])}
    docs = {}
    for kind, (pattern, fields) in required.items():
        found = glob.glob(os.path.join(wdir, pattern))
        if len(found) != 1:
            fault(f'winget: no {pattern.replace("*", "?")}')
            continue
        text = open(found[0], encoding='utf-8').read()
        docs[kind] = doc = yaml.safe_load(text)
        missing = [f for f in fields if doc.get(f) in (None, '', [])]
        if missing:
            fault(f'winget {kind}: missing {missing}')
        for field, want in (('ManifestType', kind), ('PackageIdentifier', ident), ('PackageVersion', version)):
            if str(doc.get(field)) != want:
                fault(f'winget {kind}: {field} {doc.get(field)!r}, want {want!r}')
        mv = str(doc.get('ManifestVersion'))
        schema = f'# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{mv}.schema.json'
        if text.splitlines()[0] != schema:
            fault(f'winget {kind}: first line is not {schema!r}')
    if len(docs) == 3:
        if len({str(d.get('ManifestVersion')) for d in docs.values()}) != 1:
            fault('winget: the three files name different manifest versions')
        locale = docs['defaultLocale']
        if locale.get('PackageLocale') != docs['version'].get('DefaultLocale'):
            fault('winget: the default locale file is not the one the version file names')
        if locale.get('License') != 'MIT':
            fault(f'winget: License {locale.get("License")!r}')
        for key in ('PublisherUrl', 'PackageUrl', 'LicenseUrl', 'ReleaseNotesUrl'):
            if key in locale and not str(locale[key]).startswith('https://'):
                fault(f'winget: {key} is not https')
        check_winget_installers(docs['installer'], setup_sha, setup_names, https_to)

    # Scoop: one JSON file.
    try:
        scoop = json.load(open(os.path.join(top, 'scoop', 'orvane.json'), encoding='utf-8'))
    except (OSError, ValueError) as e:
        fault(f'scoop: {e}')
        return
    for key, holds in (('version', lambda v: v == version), ('license', lambda v: v == 'MIT'),
                       ('homepage', lambda v: str(v).startswith('https://')), ('description', bool),
                       ('architecture', bool), ('shortcuts', bool), ('checkver', bool), ('autoupdate', bool)):
        if not scoop.get(key) or not holds(scoop[key]):
            fault(f'scoop: {key} {scoop.get(key)!r}')
    for key, arch in {'64bit': 'x64', '32bit': 'x86'}.items():
        entry = (scoop.get('architecture') or {}).get(key) or {}
        https_to(entry.get('url'), names[arch], f'scoop {key}')
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


def check_winget_installers(inst, sha, names, https_to):
    """The installer manifest: the NSIS installer of each architecture, run silently for the user
    alone, found again in the list of apps by setup.nsi's uninstall key, and its exit code while
    Orvane runs read as "package in use". A field may stand at the top or in each installer."""
    nsi = open(SETUP_NSI, encoding='utf-8').read()
    key = nsi_define(nsi, 'KEY') or ''
    product_code = key.rpartition('\\')[2]
    in_use = nsi_define(nsi, 'EXIT_IN_USE')
    display_name = re.search(r'^\s*WriteRegStr HKCU "\$\{KEY\}" "DisplayName" "([^"]*)"', nsi, re.M)
    arp_want = {'ProductCode': product_code, 'Publisher': nsi_define(nsi, 'PUBLISHER'),
                'DisplayName': display_name and display_name.group(1)}
    want = {'InstallerType': 'nullsoft', 'Scope': 'user', 'UpgradeBehavior': 'install',
            'InstallerSwitches': {'Silent': '/S', 'SilentWithProgress': '/S'}, 'ProductCode': product_code}
    if not key.startswith('Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\') or \
            not 1 <= len(product_code) <= 255 or not (in_use or '').isdigit() or \
            None in arp_want.values():
        fault(f'setup.nsi: no uninstall key, EXIT_IN_USE, PUBLISHER or DisplayName: {key!r}, '
              f'{in_use!r}, {arp_want}')
        return
    seen = set()
    for entry in inst.get('Installers') or []:
        arch = entry.get('Architecture')
        seen.add(arch)
        what = f'winget {arch}'
        for field, value in want.items():
            got = entry.get(field, inst.get(field))
            if got != value:
                fault(f'{what}: {field} {got!r}, want {value!r}')
        codes = entry.get('ExpectedReturnCodes', inst.get('ExpectedReturnCodes')) or []
        for code in codes:
            number = code.get('InstallerReturnCode')
            if not isinstance(number, int) or number == 0 or \
                    not -2**31 <= number < 2**32 or code.get('ReturnResponse') not in RETURN_RESPONSES:
                fault(f'{what}: not an expected return code of winget: {code}')
        if not any(c.get('InstallerReturnCode') == int(in_use) and
                   c.get('ReturnResponse') == 'packageInUse' for c in codes):
            fault(f'{what}: exit code {in_use} (Orvane running) is not declared packageInUse')
        for arp in entry.get('AppsAndFeaturesEntries', inst.get('AppsAndFeaturesEntries')) or []:
            if any(arp.get(field, value) != value for field, value in arp_want.items()):
                fault(f'{what}: the list of apps entry {arp} is not the one setup.nsi writes')
        if arch in sha:
            https_to(entry.get('InstallerUrl'), names[arch], what)
            if entry.get('InstallerSha256') != sha[arch].upper():
                fault(f'{what}: InstallerSha256 is not the SHA-256 of {names[arch]}')
    if sorted(seen, key=str) != ['x64', 'x86']:
        fault(f'winget: installers for {sorted(seen, key=str)}, want x64 and x86')


main(sys.argv[1])
sys.exit('\n'.join(faults) or None)
