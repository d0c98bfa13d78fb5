#!/usr/bin/python3
"""Holds the catalogue entry (AppStream metainfo) to what the validators of the software centres
ask of a desktop application beyond Debian 12's appstreamcli 0.16: AppStream 1.0's
`appstreamcli validate` (Debian 13, Ubuntu 24.04) and Flathub's linter, each rule by the name
those tools report it under; and its release and screenshot to this version and this tree.
Prints each rule broken; exit status 1 when there is any.

    catalogue_check.py METAINFO VERSION HOME
"""
import os
import re
import sys
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def text(element):
    return (element.text or '').strip()


def colour(element):
    return re.fullmatch(r'#[0-9a-fA-F]{6}', text(element))


def main(metainfo, version, home):
    component = ET.parse(metainfo).getroot()
    # A screenshot is served from the release's tag, so that the catalogue shows the program as
    # that release draws it; the file must be in the tree to be there at the tag.
    shots = f"https://raw.githubusercontent.com/{home.removeprefix('https://github.com/')}/v{version}/"
    brand = "branding/color[@type='primary']"
    # RULE, PATH under <component>, what each element found there must hold (at least one found).
    rules = [
        # AppStream 1.0
        ('url-homepage-missing', "url[@type='homepage']", lambda e: text(e) == home),
        ('developer-info-missing, appstream-missing-developer-name', 'developer/name', text),
        ('developer-id-missing, developer-id-invalid', 'developer',  # a reverse domain or an e-mail
         lambda e: re.fullmatch(r'[a-z0-9._@-]*[.@][a-z0-9._@-]*', e.get('id') or '')),
        ('screenshot-image-no-source', 'screenshots/screenshot',
         lambda e: e.find("image[@type='source']") is not None),
        ('releases-info-missing, release-time-missing', 'releases/release',
         lambda e: e.get('version') and e.get('date')),
        # Flathub's linter
        ('metainfo-missing-component-type', '.', lambda e: e.get('type') == 'desktop-application'),
        ('appstream-missing-project-license', 'project_license', text),
        ('metainfo-launchable-tag-wrong-value', "launchable[@type='desktop-id']",
         lambda e: text(e) == text(component.find('id')) + '.desktop'),
        ('appstream-missing-categories', 'categories/category', text),
        ('content-rating-missing', 'content_rating', lambda e: e.get('type')),
        ('metainfo-missing-screenshots, screenshot-media-url-not-secure',
         'screenshots/screenshot/image', lambda e: text(e).startswith('https://')),
        ('appstream-screenshot-missing-caption', 'screenshots/screenshot',
         lambda e: (e.findtext('caption') or '').strip()),
        ('appstream-name-too-long', 'name', lambda e: len(text(e)) <= 20),
        ('appstream-summary-too-long, appstream-summary-ends-in-dot', 'summary',
         lambda e: len(text(e)) <= 35 and not text(e).endswith('.')),
        # Flathub's quality guidelines: a brand colour for light schemes and one for dark ones
        ('brand colour, light', f"{brand}[@scheme_preference='light']", colour),
        ('brand colour, dark', f"{brand}[@scheme_preference='dark']", colour),
        # This release, this tree
        ('the newest release is this version', 'releases/release[1]',
         lambda e: e.get('version') == version),
        ('the screenshot is in the tree, at the tag of this version', 'screenshots/screenshot/image',
         lambda e: text(e).startswith(shots) and
         os.path.isfile(os.path.join(ROOT, text(e).removeprefix(shots)))),
    ]
    broken = 0
    for rule, path, holds in rules:
        found = component.findall(path)
        if not found or not all(holds(e) for e in found):
            broken += 1
            print(f'{rule}: {path}: ' + ('; '.join(text(e) or str(e.attrib) for e in found) or 'none'))
    return 1 if broken else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:]))
