#!/usr/bin/env python3
"""Writes the vector images of the Veldmark skin (drawn for this project)."""
import os, sys
SKIN = sys.argv[1]

def svg(rel, w, h, body):
    p = os.path.join(SKIN, rel)
    os.makedirs(os.path.dirname(p), exist_ok=True)
    with open(p, 'w') as f:
        f.write(f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">{body}</svg>\n')

def keycap(fill, top, edge):
    return (f'<rect x="0.5" y="0.5" width="35" height="35" rx="5" fill="{edge}"/>'
            f'<rect x="2" y="1.5" width="32" height="30" rx="4" fill="{fill}"/>'
            f'<rect x="4" y="3" width="28" height="3" rx="1.5" fill="{top}" opacity="0.35"/>')

svg('common/key/key_normal.svg', 36, 36, keycap('#2A2F38', '#FFFFFF', '#14171C'))
svg('common/key/key_hot.svg', 36, 36, keycap('#33404F', '#9FD4FF', '#0F5F99'))
svg('common/key/key_pushed.svg', 36, 36, keycap('#1F2630', '#0099FF', '#0099FF'))
svg('common/key/key_disabled.svg', 36, 36, keycap('#1E2127', '#555555', '#111317'))
svg('common/key/key_light.svg', 36, 36,
    '<defs><radialGradient id="g" cx="50%" cy="90%" r="70%"><stop offset="0" stop-color="#FFFFFF" stop-opacity="0.55"/>'
    '<stop offset="1" stop-color="#FFFFFF" stop-opacity="0"/></radialGradient></defs>'
    '<rect x="2" y="2" width="32" height="32" rx="4" fill="url(#g)"/>')
svg('common/key/key_set.svg', 36, 36, '<circle cx="29" cy="7" r="4" fill="#FFAA33" stroke="#14171C" stroke-width="1"/>')

svg('common/device/keyboard_frame.svg', 60, 60,
    '<rect x="1" y="1" width="58" height="58" rx="14" fill="#101216" stroke="#2E3440" stroke-width="2"/>')
svg('common/device/mouse_key.svg', 24, 24,
    '<rect x="1" y="1" width="22" height="22" rx="6" fill="#2A2F38" fill-opacity="0.55" stroke="#3D4655"/>')
svg('common/device/mouse_key_hot.svg', 24, 24,
    '<rect x="1" y="1" width="22" height="22" rx="6" fill="#0099FF" fill-opacity="0.35" stroke="#0099FF"/>')
svg('common/device/led_dot.svg', 18, 18, '<circle cx="9" cy="9" r="7" fill="#1B1F26" stroke="#4A5363" stroke-width="1.5"/>')
svg('common/device/mouse_logo.svg', 40, 40,
    '<path d="M20 4 L34 32 H6 Z" fill="none" stroke="#8FA3BF" stroke-width="3" stroke-linejoin="round"/>')
svg('common/device/mouse_body.svg', 300, 420,
    '<defs><linearGradient id="b" x1="0" y1="0" x2="1" y2="1"><stop offset="0" stop-color="#2B313B"/>'
    '<stop offset="1" stop-color="#15181D"/></linearGradient></defs>'
    '<path d="M150 20 C 70 20 40 90 40 170 L 40 300 C 40 370 90 405 150 405 C 210 405 260 370 260 300 L 260 170 C 260 90 230 20 150 20 Z" '
    'fill="url(#b)" stroke="#3D4655" stroke-width="3"/>'
    '<path d="M150 22 L150 160" stroke="#0E1014" stroke-width="3"/>'
    '<path d="M42 165 C 100 175 200 175 258 165" fill="none" stroke="#0E1014" stroke-width="3"/>'
    '<path d="M70 300 C 110 395 190 395 230 300" fill="none" stroke="#0099FF" stroke-opacity="0.5" stroke-width="4"/>')
svg('common/device/headset_body.svg', 300, 420,
    '<path d="M45 280 C 45 40 255 40 255 280" fill="none" stroke="#2E3440" stroke-width="22" stroke-linecap="round"/>'
    '<path d="M45 280 C 45 40 255 40 255 280" fill="none" stroke="#3D4655" stroke-width="4"/>'
    '<rect x="120" y="92" width="60" height="16" rx="8" fill="#22272F" stroke="#3D4655" stroke-width="2"/>'
    '<circle cx="150" cy="280" r="108" fill="#1A1E25" stroke="#3D4655" stroke-width="3"/>'
    '<circle cx="150" cy="280" r="66" fill="#22272F" stroke="#0099FF" stroke-opacity="0.45" stroke-width="3"/>'
    '<path d="M122 280 h56 M150 252 v56" stroke="#3D4655" stroke-width="4" stroke-linecap="round"/>'
    '<path d="M60 330 C 30 380 60 410 110 405" fill="none" stroke="#3D4655" stroke-width="6" stroke-linecap="round"/>'
    '<circle cx="112" cy="405" r="8" fill="#2E3440"/>')

svg('common/device/mousepad_body.svg', 640, 300,
    '<defs><linearGradient id="p" x1="0" y1="0" x2="1" y2="1"><stop offset="0" stop-color="#232830"/>'
    '<stop offset="1" stop-color="#12151A"/></linearGradient></defs>'
    '<rect x="6" y="6" width="628" height="288" rx="22" fill="#0E1014" stroke="#3D4655" stroke-width="3"/>'
    '<rect x="22" y="22" width="596" height="256" rx="12" fill="url(#p)"/>'
    '<rect x="22" y="22" width="596" height="256" rx="12" fill="none" stroke="#2E3440" stroke-width="1.5" stroke-dasharray="6 5"/>'
    '<circle cx="548" cy="86" r="40" fill="none" stroke="#0099FF" stroke-opacity="0.45" stroke-width="3"/>'
    '<circle cx="548" cy="86" r="26" fill="none" stroke="#3D4655" stroke-width="2"/>'
    '<path d="M544 72 L538 88 H550 L544 102" fill="none" stroke="#8FA3BF" stroke-width="3" stroke-linejoin="round"/>'
    '<path d="M300 130 L320 170 L340 130" fill="none" stroke="#3D4655" stroke-width="6" stroke-linecap="round" stroke-linejoin="round"/>')

svg('common/macro/record_dot.svg', 24, 24, '<circle cx="12" cy="12" r="7" fill="#E0304A"/>')
svg('common/button/close_normal.svg', 32, 32, '<path d="M10 10 L22 22 M22 10 L10 22" stroke="#AEB6C2" stroke-width="2"/>')
svg('common/button/close_hot.svg', 32, 32,
    '<rect width="32" height="32" rx="4" fill="#E0304A"/><path d="M10 10 L22 22 M22 10 L10 22" stroke="#FFFFFF" stroke-width="2"/>')

def background(rel, a, b, accent):
    svg(rel, 1350, 810,
        f'<defs><linearGradient id="g" x1="0" y1="0" x2="1" y2="1"><stop offset="0" stop-color="{a}"/>'
        f'<stop offset="1" stop-color="{b}"/></linearGradient></defs><rect width="1350" height="810" fill="url(#g)"/>'
        f'<path d="M0 700 C 400 600 900 780 1350 640 L1350 810 L0 810 Z" fill="{accent}" opacity="0.10"/>')
background('common/background.svg', '#181B21', '#101216', '#0099FF')
for i, (a, b, c) in enumerate([('#181B21', '#101216', '#0099FF'), ('#14202C', '#0B1118', '#33CC99'),
                               ('#241A26', '#120D14', '#E0506A'), ('#26221A', '#13110D', '#FFAA33')], 1):
    background(f'common/skin/bg_{i}.svg', a, b, c)

svg('Control/SliderBar_BK1.svg', 100, 8, '<rect y="1" width="100" height="6" rx="3" fill="#5A6475"/>')
svg('Control/SliderBar_BK3.svg', 100, 8, '<rect y="1" width="100" height="6" rx="3" fill="#0099FF"/>')
svg('Control/SliderBar1_Thumb.svg', 16, 16, '<circle cx="8" cy="8" r="7" fill="#C9D1DC" stroke="#14171C"/>')
svg('Control/SliderBar2_Thumb.svg', 16, 16, '<circle cx="8" cy="8" r="7" fill="#0099FF" stroke="#FFFFFF"/>')

# device icons: one glyph per family, in four states
GLYPH = {
    'kb': '<rect x="10" y="18" width="36" height="20" rx="3" fill="none" stroke="{c}" stroke-width="2.5"/>'
          '<path d="M15 24h4M22 24h4M29 24h4M36 24h4M15 30h4M36 30h4M22 31h12" stroke="{c}" stroke-width="2.5"/>',
    'ms': '<rect x="18" y="10" width="20" height="34" rx="10" fill="none" stroke="{c}" stroke-width="2.5"/>'
          '<path d="M28 10v10" stroke="{c}" stroke-width="2.5"/>',
    'hard_mp': '<rect x="8" y="14" width="40" height="28" rx="5" fill="none" stroke="{c}" stroke-width="2.5"/>'
               '<path d="M34 20h8v14h-8z" fill="none" stroke="{c}" stroke-width="2"/>',
    'hd': '<path d="M14 34 C 14 14 42 14 42 34" fill="none" stroke="{c}" stroke-width="2.5"/>'
          '<rect x="10" y="30" width="8" height="12" rx="3" fill="{c}"/><rect x="38" y="30" width="8" height="12" rx="3" fill="{c}"/>',
    'unknow': '<circle cx="28" cy="28" r="15" fill="none" stroke="{c}" stroke-width="2.5"/>'
              '<path d="M23 24 C 23 18 33 18 33 24 C 33 28 28 28 28 32 M28 36v2" fill="none" stroke="{c}" stroke-width="2.5"/>',
}
STATES = {'normal': ('#2A2F38', '#AEB6C2', None), 'selected': ('#0F3552', '#36A3FF', None),
          'synchro_normal': ('#2A2F38', '#AEB6C2', '#33CC99'), 'synchro_selected': ('#0F3552', '#36A3FF', '#33CC99')}
for key, glyph in GLYPH.items():
    for state, (bg, fg, sync) in STATES.items():
        mark = f'<circle cx="46" cy="10" r="5" fill="{sync}"/>' if sync else ''
        svg(f'common/device_ico/{key}_device_{state}.svg', 56, 56,
            f'<rect x="1" y="1" width="54" height="54" rx="10" fill="{bg}"/>' + glyph.format(c=fg) + mark)
print('images written')

# the macro editor's cursor-move buttons
ARROWS = {'left': 'M20 9 L13 15 L20 21 Z', 'right': 'M14 9 L21 15 L14 21 Z',
          'up': 'M11 18 L17 11 L23 18 Z', 'down': 'M11 12 L17 19 L23 12 Z'}
for name, path in ARROWS.items():
    for state, fill, edge, mark in (('normal', '#2A2F38', '#3D4655', '#D0D6E0'),
                                    ('hot', '#33404F', '#0099FF', '#FFFFFF')):
        svg(f'common/macro/move_{name}_{state}.svg', 34, 30,
            f'<rect x="0.5" y="0.5" width="33" height="29" rx="4" fill="{fill}" stroke="{edge}"/>'
            f'<path d="{path}" fill="{mark}"/>')
