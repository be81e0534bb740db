#!/usr/bin/env python3
"""Writes the device page and editor layouts of the Veldmark skin."""
import os, sys
from xml.sax.saxutils import quoteattr

ROOT = sys.argv[1]

def w(rel, text):
    p = os.path.join(ROOT, rel)
    os.makedirs(os.path.dirname(p), exist_ok=True)
    with open(p, 'w', encoding='utf-8') as f:
        f.write('<?xml version="1.0" encoding="utf-8"?>\n' + text.strip() + '\n')

def attrs(**kw):
    return ' '.join(f'{k}={quoteattr(str(v))}' for k, v in kw.items())

# ---------------------------------------------------------------- keyboard
U = 36      # one key unit in pixels
GAP = 3
X0 = 1.25   # the macro column sits left of the main block

# (index, label, x units, row, width units, height units)
K = []
def row(r, x, items):
    for it in items:
        idx, label, wdt = (it + (1,))[:3] if len(it) == 2 else it
        K.append((idx, label, x, r, wdt, 1))
        x += wdt

F = lambda i: 'F%d' % i
# top row: Esc, F-keys in groups, print block, two device keys
K.append((0, 'Esc', X0 + 0, 0, 1, 1))
for g, start in ((1, 2), (5, 6.5), (9, 11)):
    for j in range(4):
        K.append((g + j, F(g + j), X0 + start + j, 0, 1, 1))
for j, (i, l) in enumerate(((13, 'PrtSc'), (14, 'ScrLk'), (15, 'Pause'))):
    K.append((i, l, X0 + 15.25 + j, 0, 1, 1))
K.append((16, 'GM', X0 + 18.5, 0, 1, 1))
K.append((17, 'Light', X0 + 19.5, 0, 1, 1))
# row 1
row(1, X0, [(21, '`'), (22, '1'), (23, '2'), (24, '3'), (25, '4'), (26, '5'), (27, '6'), (28, '7'),
            (29, '8'), (30, '9'), (31, '0'), (32, '-'), (33, '='), (34, 'Back', 2)])
row(1, X0 + 15.25, [(35, 'Ins'), (36, 'Home'), (37, 'PgUp')])
row(1, X0 + 18.5, [(38, 'Num'), (39, '/'), (40, '*'), (41, '-')])
# row 2
row(2, X0, [(42, 'Tab', 1.5)] + [(43 + i, c) for i, c in enumerate('QWERTYUIOP')] +
    [(53, '['), (54, ']'), (55, '\\', 1.5)])
row(2, X0 + 15.25, [(56, 'Del'), (57, 'End'), (58, 'PgDn')])
row(2, X0 + 18.5, [(59, '7'), (60, '8'), (61, '9')])
K.append((119, '+', X0 + 21.5, 2, 1, 2))
# row 3
row(3, X0, [(63, 'Caps', 1.75)] + [(64 + i, c) for i, c in enumerate('ASDFGHJKL')] +
    [(73, ';'), (74, "'"), (75, 'Enter', 2.25)])
row(3, X0 + 18.5, [(76, '4'), (77, '5'), (78, '6')])
# row 4
row(4, X0, [(84, 'Shift', 2.25)] + [(85 + i, c) for i, c in enumerate('ZXCVBNM')] +
    [(92, ','), (93, '.'), (94, '/'), (95, 'Shift', 2.75)])
K.append((96, '\u2191', X0 + 16.25, 4, 1, 1))
row(4, X0 + 18.5, [(97, '1'), (98, '2'), (99, '3')])
K.append((118, 'Ent', X0 + 21.5, 4, 1, 2))
# row 5
row(5, X0, [(105, 'Ctrl', 1.25), (106, 'Win', 1.25), (107, 'Alt', 1.25), (108, '', 6.25),
            (109, 'Alt'), (125, 'Win'), (110, 'Fn'), (111, 'Menu'), (112, 'Ctrl')])
row(5, X0 + 15.25, [(113, '\u2190'), (114, '\u2193'), (115, '\u2192')])
row(5, X0 + 18.5, [(116, '0', 2), (117, '.')])
# the macro column
for j in range(5):
    K.append((120 + j, 'M%d' % (j + 1), 0, 1 + j, 1, 1))

# LED numbers: the column layout maps LEDs to the key buttons one to one.
COLUMNS = [[126, 120, 121, 122, 123, 124], [126, 21, 42, 63, 84, 105], [0, 22, 43, 64, 85, 106],
           [1, 23, 44, 65, 86, 126], [2, 24, 45, 66, 87, 107], [3, 25, 46, 67, 88, 126],
           [4, 26, 47, 68, 89, 108], [126, 27, 48, 69, 90, 126], [5, 28, 49, 70, 91, 126],
           [6, 29, 50, 71, 92, 109], [7, 30, 51, 72, 93, 126], [8, 31, 52, 73, 94, 125],
           [9, 32, 53, 74, 126, 110], [10, 33, 54, 126, 126, 111], [11, 34, 55, 75, 95, 126],
           [12, 126, 126, 126, 126, 112], [13, 35, 56, 126, 126, 113], [14, 36, 57, 126, 96, 114],
           [15, 37, 58, 126, 126, 115], [126, 38, 59, 76, 97, 116], [126, 39, 60, 77, 98, 126],
           [126, 40, 61, 78, 99, 117], [126, 41, 126, 119, 118, 126]]
LEDS = {led for col in COLUMNS for led in col if led < 126}

placed = {k[0] for k in K}
KEYIMG = dict(normalimage="file='common/key/key_normal.png' corner='5,5,5,5'",
              hotimage="file='common/key/key_hot.png' corner='5,5,5,5'",
              pushedimage="file='common/key/key_pushed.png' corner='5,5,5,5'",
              disabledimage="file='common/key/key_disabled.png' corner='5,5,5,5'",
              lightimage="common/key/key_light.png", keysetimage="common/key/key_set.png")

def ypos(r):
    return 0 if r == 0 else int((r + 0.35) * U)

keys = []
for idx in range(126):
    a = dict(name='key_%d' % idx)
    if idx in LEDS:
        a['userdata'] = 'light_%d' % idx
    if idx in placed:
        _, label, x, r, wd, ht = next(k for k in K if k[0] == idx)
        l, t = int(x * U), ypos(r)
        wpx, hpx = int(wd * U) - GAP, int(ht * U) - GAP
        a.update(float='true', pos='%d,%d,%d,%d' % (l, t, l + wpx, t + hpx), text=label)
        if len(label) > 3 and len(label) * 9 >= wpx - 6:
            a['font'] = '9'  # the main window's 11-pixel face: long names on narrow keys
    else:
        # positions of the table that this keyboard does not have
        a.update(float='true', pos='0,0,0,0', visible='false')
    a.update(KEYIMG)
    keys.append('                <DeviceKeyButton %s/>' % attrs(**a))
KB_W = int((X0 + 22.5) * U)
KB_H = ypos(5) + U

def profile_column(page, width=260):
    return f'''    <VerticalLayout name="{page}_left" width="{width}" childpadding="8">
        <DeviceProfileUI name="DeviceProfileItem"/>
    </VerticalLayout>'''

w('XML/DeviceXml/keyboarddevice.xml', f'''
<!-- The keyboard page: profiles on the left; the keyboard picture with its 126 keys
     above the editor of the chosen function. -->
<VeldmarkKeyboardDevice name="keyboard_device_page" childpadding="12" inset="12,12,12,12">
{profile_column('keyboard_device')}
    <TabLayout name="device_function_switch">
        <VerticalLayout childpadding="10">
            <Container name="keyboard_device_key_light" height="{KB_H + 24}" bkimage="file='common/device/keyboard_frame.png' corner='14,14,14,14'" inset="12,12,12,12">
                <SelectPanel name="keyboard_select_panel">
{chr(10).join(keys)}
                </SelectPanel>
            </Container>
            <Label name="text_test" visible="false"/>
            <TabLayout name="device_key_function_switch">
                <LightSetControlUI name="LightControlItem"/>
                <KeySetControlUI name="KeySetControlItem"/>
                <VerticalLayout name="keyboard_system_layout" childpadding="8" inset="8,8,8,8">
                    <Label textkey="polling_rate_text" height="24"/>
                    <HorizontalLayout height="30" childpadding="8">
                        <Option name="polling_rate_option_0" group="kb_polling" text="125Hz" width="90"/>
                        <Option name="polling_rate_option_1" group="kb_polling" text="250Hz" width="90"/>
                        <Option name="polling_rate_option_2" group="kb_polling" text="500Hz" width="90"/>
                        <Option name="polling_rate_option_3" group="kb_polling" text="1000Hz" width="90"/>
                    </HorizontalLayout>
                    <HorizontalLayout height="30" childpadding="8">
                        <CheckBox name="winlockflag_option" textkey="win_lock_text" width="200"/>
                        <CheckBox name="wflag_option" textkey="w_flag_text" width="200"/>
                        <CheckBox name="6flag_option" textkey="six_key_text" width="200"/>
                    </HorizontalLayout>
                    <HorizontalLayout height="30" childpadding="8">
                        <Label textkey="repeat_rate_text" width="160"/>
                        <Slider name="repeat_rate_slider" min="0" max="31" width="300"/>
                    </HorizontalLayout>
                    <HorizontalLayout height="30" childpadding="8">
                        <Label name="repeat_delay_time_label1" width="160"/>
                        <Option name="repeat_delay_check_0" group="kb_repeat_delay" text="1" width="60"/>
                        <Option name="repeat_delay_check_1" group="kb_repeat_delay" text="2" width="60"/>
                        <Option name="repeat_delay_check_2" group="kb_repeat_delay" text="3" width="60"/>
                        <Option name="repeat_delay_check_3" group="kb_repeat_delay" text="4" width="60"/>
                    </HorizontalLayout>
                    <Label name="keyboard_repeat_note" height="22" visible="false"/>
                    <HorizontalLayout height="60" childpadding="8">
                        <RichEdit name="repeat_input_richedit"/>
                        <Button name="reset_repeat_btn" textkey="reset_repeat_text" width="90" height="30"/>
                    </HorizontalLayout>
                </VerticalLayout>
            </TabLayout>
        </VerticalLayout>
        <MacroSetControlUI name="MacroControlItem"/>
        <VerticalLayout name="keyboard_unused_page"/>
    </TabLayout>
</VeldmarkKeyboardDevice>
''')

# ---------------------------------------------------------------- mouse
MS_KEYS = [  # index, name key, pos on the 300 x 420 picture
    (0, 'mouse_key_left', (62, 40, 140, 150)), (1, 'mouse_key_right', (160, 40, 238, 150)),
    (2, 'mouse_key_middle', (138, 70, 162, 120)), (3, 'mouse_key_forward', (30, 170, 56, 210)),
    (4, 'mouse_key_back', (30, 220, 56, 260)), (5, 'mouse_key_DPI_add', (136, 140, 164, 166))]
MS_LEDS = [(0, (140, 125, 160, 135)), (1, (70, 300, 90, 320)), (2, (210, 300, 230, 320)),
           (3, (80, 340, 100, 360)), (4, (200, 340, 220, 360)), (5, (100, 372, 120, 392)),
           (6, (180, 372, 200, 392))]
def pos(p):
    return '%d,%d,%d,%d' % p
mkeys = '\n'.join('                        <DeviceKeyButton %s/>' % attrs(
    name='key_%d' % i, float='true', pos=pos(p), tooltipkey=k,
    normalimage="file='common/device/mouse_key.png' corner='6,6,6,6'",
    hotimage="file='common/device/mouse_key_hot.png' corner='6,6,6,6'",
    lightimage='common/key/key_light.png', keysetimage='common/key/key_set.png') for i, k, p in MS_KEYS)
mleds = '\n'.join('                        <DeviceKeyButton %s/>' % attrs(
    name='light_%d' % i, userdata='light_%d' % i, float='true', pos=pos(p),
    normalimage='common/device/led_dot.png', lightimage='common/key/key_light.png') for i, p in MS_LEDS)
mleds2 = '\n'.join('                        <DeviceKeyButton %s/>' % attrs(
    name='light_0_%d' % i, float='true', pos=pos((p[0], p[1] + 4, p[2], p[3] + 4)), visible='false')
    for i, p in MS_LEDS)
# The stage's check sits beside its row, not in it: the row is disabled with
# the stage, and a check inside it could then never be switched on again.
dpi_rows = '\n'.join(f'''                    <HorizontalLayout height="32" childpadding="8">
                        <CheckBox name="DPI_enable_check_{n}" width="28"/>
                        <HorizontalLayout name="DPI_layout_{n}" childpadding="8">
                            <Slider name="DPI_slider_{n}" min="1" max="160" width="320" foreimage="Control/SliderBar_BK1.png" thumbimage="Control/SliderBar1_Thumb.png" thumbhotimage="Control/SliderBar1_Thumb.png" thumbpushedimage="Control/SliderBar1_Thumb.png"/>
                            <Edit name="DPI_edit_{n}" width="80" numberonly="true"/>
                        </HorizontalLayout>
                    </HorizontalLayout>''' for n in range(5))
w('XML/DeviceXml/mousedevice.xml', f'''
<!-- The mouse page: profiles; sub-pages for the buttons (with the picture of the
     mouse and its key list), sensitivity and report rate, and pointer settings. -->
<VeldmarkMouseDevice name="mouse_device_page" childpadding="12" inset="12,12,12,12">
{profile_column('mouse_device', 220)}
    <VerticalLayout childpadding="8">
        <HorizontalLayout name="mouse_option_layout" height="36" childpadding="6">
            <Option name="mouse_device_seting_option_0" group="mouse_sub_page" textkey="mouse_page_keys" width="140" selected="true"/>
            <Option name="mouse_device_seting_option_1" group="mouse_sub_page" textkey="mouse_page_dpi" width="140"/>
            <Option name="mouse_device_seting_option_2" group="mouse_sub_page" textkey="mouse_page_pointer" width="140"/>
        </HorizontalLayout>
        <Label name="device_tishi_info" textkey="device_tishi_text" height="24" visible="false"/>
        <Label name="text_test" visible="false"/>
        <TabLayout name="mouse_device_seting_layout">
            <HorizontalLayout childpadding="10">
                <!-- The key list sits under the picture, wide enough for a
                     button's name and its whole function side by side. -->
                <VerticalLayout width="390" childpadding="6">
                <SelectPanel name="mouse_select_panel" width="300" height="420" bkimage="common/device/mouse_body.png">
{mkeys}
                        <DeviceKeyButton name="logo" float="true" pos="130,250,170,290" tooltipkey="mouse_logo_text" normalimage="common/device/mouse_logo.png" lightimage="common/key/key_light.png"/>
{mleds}
{mleds2}
                </SelectPanel>
                <List name="device_setkeyinfo_list" width="390" itemheight="30"/>
                </VerticalLayout>
                <TabLayout name="device_function_switch">
                    <TabLayout name="device_key_function_switch">
                        <LightSetControlUI name="LightControlItem"/>
                        <KeySetControlUI name="KeySetControlItem"/>
                        <VerticalLayout name="mouse_system_placeholder"/>
                    </TabLayout>
                    <MacroSetControlUI name="MacroControlItem"/>
                    <ShootKeySetControlUI name="ShootControlItem"/>
                </TabLayout>
            </HorizontalLayout>
            <VerticalLayout childpadding="6" inset="8,8,8,8">
                <Label textkey="dpi_stages_text" height="26"/>
{dpi_rows}
                <HorizontalLayout height="32" childpadding="8">
                    <Slider name="orvix_DPI_slider_0" min="200" max="6500" width="320"/>
                    <Edit name="orvix_DPI_edit_0" width="80"/>
                </HorizontalLayout>
                <Label textkey="polling_rate_text" height="26"/>
                <HorizontalLayout height="32" childpadding="8">
                    <Option name="polling_rate_option_0" group="ms_polling" text="125Hz" width="90"/>
                    <Option name="polling_rate_option_1" group="ms_polling" text="250Hz" width="90"/>
                    <Option name="polling_rate_option_2" group="ms_polling" text="500Hz" width="90"/>
                    <Option name="polling_rate_option_3" group="ms_polling" text="1000Hz" width="90"/>
                    <Option name="polling_rate_option_4" group="ms_polling" text="2000Hz" width="90"/>
                </HorizontalLayout>
            </VerticalLayout>
            <VerticalLayout childpadding="8" inset="8,8,8,8">
                <HorizontalLayout height="32" childpadding="8">
                    <Label textkey="pointer_speed_text" width="200"/>
                    <Slider name="pointer_speed_slider" min="0" max="9" width="300"/>
                </HorizontalLayout>
                <Label name="pointer_speed_note" height="22" visible="false"/>
                <CheckBox name="pointer_precision_check" textkey="pointer_precision_text" height="28"/>
                <Label name="pointer_precision_note" height="22" visible="false"/>
                <HorizontalLayout height="32" childpadding="8">
                    <Label textkey="scroll_speed_text" width="200"/>
                    <Slider name="scroll_speed_slider" min="0" max="99" width="300"/>
                </HorizontalLayout>
                <CheckBox name="scrolls_page_check" textkey="scroll_page_text" height="28"/>
                <Label name="scroll_lines_note" height="22" visible="false"/>
                <HorizontalLayout height="32" childpadding="8">
                    <Label textkey="double_click_text" width="200"/>
                    <Slider name="double_click_slider" min="0" max="10" width="300"/>
                </HorizontalLayout>
                <Label name="double_click_note" height="22" visible="false"/>
                <Button name="default_btn" textkey="default_text" width="160" height="32"/>
            </VerticalLayout>
        </TabLayout>
    </VerticalLayout>
</VeldmarkMouseDevice>
''')

# ---------------------------------------------------------------- headset
import math
hleds = []
for i in range(13):
    a = 2 * math.pi * i / 13 - math.pi / 2
    cx, cy = 150 + int(88 * math.cos(a)), 280 + int(88 * math.sin(a))
    hleds.append('                <DeviceKeyButton %s/>' % attrs(
        name='hs_light_%d' % i, userdata='light_%d' % i, float='true',
        pos='%d,%d,%d,%d' % (cx - 9, cy - 9, cx + 9, cy + 9),
        normalimage='common/device/led_dot.png', lightimage='common/key/key_light.png'))
w('XML/DeviceXml/hs6533device.xml', f'''
<!-- The headset page: profiles; the headset with its ring of lights; the voice,
     voice-effect and lighting editors. -->
<VeldmarkHS6533Device name="hs6533_device_page" childpadding="12" inset="12,12,12,12">
{profile_column('hs6533_device')}
    <HorizontalLayout childpadding="12">
        <SelectPanel name="hs6533_select_panel" width="300" height="420" bkimage="common/device/headset_body.png">
{chr(10).join(hleds)}
        </SelectPanel>
        <TabLayout name="device_function_switch">
            <TabLayout name="device_key_function_switch">
                <LightSetControlUI name="LightControlItem"/>
                <Voice6533SetControlUI name="Voice6533ControlItem"/>
                <VerticalLayout name="hs6533_system_placeholder"/>
            </TabLayout>
            <MagicSetControlUI name="MagicControlItem"/>
            <VerticalLayout name="hs6533_unused_page"/>
        </TabLayout>
    </HorizontalLayout>
</VeldmarkHS6533Device>
''')

# ---------------------------------------------------------------- editors
def combo(name, items=(), width=None, userdata=None):
    a = dict(name=name, height=30, itemheight=30, dropboxsize='0,300')
    if width:
        a['width'] = width
    inner = ''.join('\n        <ListLabelElement %s/>' % attrs(
        **({'textkey': t} if not t.isdigit() else {'text': t}),
        **({'userdata': userdata[i]} if userdata else {})) for i, t in enumerate(items))
    return '<Combo %s>%s\n    </Combo>' % (attrs(**a), inner) if items else '<Combo %s/>' % attrs(**a)

def edit_row(names_keys):
    return '\n'.join('            <HorizontalLayout height="30" childpadding="6"><Label %s/><Edit %s/></HorizontalLayout>'
                     % (attrs(textkey=k, width=140), attrs(name=n, width=120)) for n, k in names_keys)

# The rows of the key tables, in table order: item i of a list is row i.
MOUSE_BUTTONS = ['mouse_key_left', 'mouse_key_middle', 'mouse_key_right', 'mouse_key_forward', 'mouse_key_back']
SENSITIVITY = ['mouse_key_DPI_add', 'mouse_key_DPI_sub', 'mouse_key_DPI_loop']
MEDIA = ['media_text', 'media_play', 'media_stop', 'media_prev', 'media_next', 'media_vol_sub', 'media_vol_add',
         'media_mute', 'web_text', 'web_refresh', 'wed_stop', 'wed_back', 'wed_forward', 'wed_favorite',
         'web_search', 'media_mypc', 'media_calc', 'media_mail']
SYSTEM = ['system_power', 'system_sleep', 'system_wake_up']
COMBINATIONS = ['custem_open', 'custem_new', 'custem_undo', 'custem_save', 'custem_copy', 'custem_cut',
                'custem_paste', 'custem_find', 'custem_select_all', 'custem_zoom_out', 'custem_zoom_in']
FUNCS = ['keyset_fn_disable', 'keyset_fn_mousekey', 'keyset_fn_swing', 'keyset_fn_wheel',
         'keyset_fn_dpi', 'keyset_fn_fire', 'keyset_fn_keyboard', 'keyset_fn_media',
         'keyset_fn_system', 'keyset_fn_macro', 'keyset_fn_gun', 'keyset_fn_combo']
pages = [
    '<VerticalLayout/>',
    f'<VerticalLayout>{combo("keyset_mousekey_combo", MOUSE_BUTTONS)}</VerticalLayout>',
    f'''<VerticalLayout childpadding="6">{combo("keyset_mouseswing_combo", ["mouse_key_left_Swing", "mouse_key_right_Swing"])}
{edit_row([("keyset_mouseswing_num_edit", "count_text"), ("keyset_mouseswing_delay_edit", "delay_text"), ("keyset_mouseswing_speed_edit", "speed_text")])}
        </VerticalLayout>''',
    f'''<VerticalLayout childpadding="6">{combo("keyset_mousewheel_combo", ["mouse_key_up_Swing", "mouse_key_down_Swing"])}
{edit_row([("keyset_mousewheel_num_edit", "count_text"), ("keyset_mousewheel_delay_edit", "delay_text"), ("keyset_mousewheel_speed_edit", "speed_text")])}
        </VerticalLayout>''',
    f'<VerticalLayout>{combo("keyset_mousedpi_combo", SENSITIVITY)}</VerticalLayout>',
    f'''<VerticalLayout childpadding="6">
{edit_row([("keyset_mousefire_interval_edit", "interval_text"), ("keyset_mousefire_num_edit", "count_text")])}
        </VerticalLayout>''',
    '''<VerticalLayout childpadding="6">
            <Edit name="keyset_keyboard_text_edit" height="30" readonly="true"/>
            <HorizontalLayout height="30" childpadding="6">
                <Option name="key_ComBox_check_0" group="keyset_modifier" textkey="modifier_none" width="70" selected="true"/>
                <Option name="key_ComBox_check_1" group="keyset_modifier" text="Ctrl" width="70"/>
                <Option name="key_ComBox_check_2" group="keyset_modifier" text="Shift" width="70"/>
                <Option name="key_ComBox_check_3" group="keyset_modifier" text="Alt" width="70"/>
                <Option name="key_ComBox_check_4" group="keyset_modifier" text="Win" width="70"/>
            </HorizontalLayout>
        </VerticalLayout>''',
    f'<VerticalLayout>{combo("keyset_media_combo", MEDIA)}</VerticalLayout>',
    f'<VerticalLayout>{combo("keyset_system_combo", SYSTEM)}</VerticalLayout>',
    f'''<VerticalLayout childpadding="6">{combo("keyset_macro_combo")}
        {combo("keyset_macro_over_combo", ["macro_mode_once", "macro_mode_hold", "macro_mode_toggle", "macro_mode_release", "macro_mode_count"])}
            <HorizontalLayout name="keyset_macro_cycle_layout" height="30" childpadding="6" visible="false">
                <Label textkey="count_text" width="140"/><Edit name="keyset_macro_cycle_edit" width="120"/>
            </HorizontalLayout>
        </VerticalLayout>''',
    f'<VerticalLayout>{combo("keyset_gunkey_combo", ["gun_1_txt", "gun_2_txt", "gun_3_txt", "gun_4_txt"])}</VerticalLayout>',
    f'<VerticalLayout>{combo("keyset_combokey_combo", COMBINATIONS)}</VerticalLayout>',
]
w('XML/CustomControlXML/KeySetControl.xml', f'''
<!-- The key assignment editor: the function kind chooses the page of its fields. -->
<KeySetControl name="KeySetControlItem">
    <VerticalLayout name="keyset_layout" childpadding="8" inset="8,8,8,8">
        {combo("keyset_function_combo", FUNCS, userdata=[str(i) for i in range(12)])}
        <TabLayout name="function_switch_tablayout" height="120">
            {(chr(10) + '            ').join(pages)}
        </TabLayout>
        <HorizontalLayout height="32" childpadding="8">
            <Button name="key_butt_keydefalut" textkey="key_default_text" width="96"/>
            <Button name="key_butt_keysave" textkey="key_save_text" width="96"/>
            <Button name="key_butt_keycancel" textkey="key_cancel_text" width="96"/>
            <Button name="key_butt_prosave" textkey="key_upload_text" width="140"/>
        </HorizontalLayout>
    </VerticalLayout>
</KeySetControl>
''')

w('XML/CustomControlXML/MacroControl.xml', '''
<!-- The macro editor: the device's macros at the top (one tab, disabled
     while a recording runs); below them the selected macro's events (one row
     each, built by the editor) with the buttons that move and remove them,
     cursor moves to insert, recording. Stacked, so that it fits the narrow
     column of the mouse page as well as the keyboard's wide one. The hidden
     labels at the end give the rows' labels their look. -->
<MacroControl name="MacroControlItem" childpadding="6" inset="6,6,6,6">
    <TabLayout name="macro_name_tab" height="132">
        <HorizontalLayout childpadding="6">
            <VerticalLayout childpadding="4">
                <List name="macro_name_list" itemheight="30" bkcolor="#FF2A2A2A"/>
                <HorizontalLayout height="30" childpadding="4">
                    <Edit name="macro_edit_macroname" maxchar="32" hintkey="macro_rename_hint"/>
                    <Button name="macro_btn_name_edit" textkey="macro_rename_text" width="90"/>
                </HorizontalLayout>
            </VerticalLayout>
            <VerticalLayout width="84" childpadding="4">
                <Button name="macro_btn_name_add" textkey="macro_add_text" height="29"/>
                <Button name="macro_btn_name_sub" textkey="macro_delete_text" height="29"/>
                <Button name="macro_btn_import" textkey="macro_import_text" height="29"/>
                <Button name="macro_btn_export" textkey="macro_export_text" height="29"/>
            </VerticalLayout>
        </HorizontalLayout>
    </TabLayout>
    <HorizontalLayout name="macro_action_layout" childpadding="6" visible="false">
        <VerticalLayout childpadding="2">
            <HorizontalLayout height="22" childpadding="6" inset="6,0,6,0">
                <Label name="macro_tab_macroaction_edit" textkey="macro_action_column_text"/>
                <Label name="macro_tab_macrodelay_edit" textkey="macro_delay_column_text" width="84"/>
            </HorizontalLayout>
            <List name="macro_action_list" itemheight="30" menu="true" bkcolor="#FF2A2A2A"/>
        </VerticalLayout>
        <VerticalLayout width="84" childpadding="4" inset="0,24,0,0">
            <Button name="macro_btn_uptop" textkey="macro_top_text" height="28"/>
            <Button name="macro_btn_up" textkey="macro_up_text" height="28"/>
            <Button name="macro_btn_down" textkey="macro_down_text" height="28"/>
            <Button name="macro_btn_downbottom" textkey="macro_bottom_text" height="28"/>
            <Button name="macro_btn_delete" textkey="macro_delete_action_text" height="28"/>
            <Button name="macro_btn_deleteall" textkey="macro_clear_text" height="28"/>
            <Control/>
            <Button name="macro_btn_save" textkey="macro_save_text" height="30"/>
            <Button name="macro_btn_cancel" textkey="macro_cancel_text" height="30"/>
        </VerticalLayout>
    </HorizontalLayout>
    <HorizontalLayout height="30" childpadding="4">
        <Label textkey="macro_move_text" width="44"/>
        <Edit name="mouse_x_left_edit" width="36" numberonly="true" maxchar="3" text="10"/>
        <Button name="macro_inset_moveleftkey_btn" width="34" normalimage="common/macro/move_left_normal.svg" hotimage="common/macro/move_left_hot.svg" pushedimage="common/macro/move_left_hot.svg" tooltipkey="mouse_move_to_left_text"/>
        <Edit name="mouse_x_right_edit" width="36" numberonly="true" maxchar="3" text="10"/>
        <Button name="macro_inset_moverightkey_btn" width="34" normalimage="common/macro/move_right_normal.svg" hotimage="common/macro/move_right_hot.svg" pushedimage="common/macro/move_right_hot.svg" tooltipkey="mouse_move_to_right_text"/>
        <Edit name="mouse_y_up_edit" width="36" numberonly="true" maxchar="3" text="10"/>
        <Button name="macro_inset_moveupkey_btn" width="34" normalimage="common/macro/move_up_normal.svg" hotimage="common/macro/move_up_hot.svg" pushedimage="common/macro/move_up_hot.svg" tooltipkey="mouse_move_to_up_text"/>
        <Edit name="mouse_y_down_edit" width="36" numberonly="true" maxchar="3" text="10"/>
        <Button name="macro_inset_movedownkey_btn" width="34" normalimage="common/macro/move_down_normal.svg" hotimage="common/macro/move_down_hot.svg" pushedimage="common/macro/move_down_hot.svg" tooltipkey="mouse_move_to_down_text"/>
    </HorizontalLayout>
    <HorizontalLayout height="32" childpadding="6">
        <RedioMacroButton name="macro_btn_starredio" textkey="macro_record_text" width="96" redioimage="common/macro/record_dot.png"/>
        <Button name="macro_btn_stopredio" textkey="macro_stop_text" width="96" visible="false"/>
        <CheckBox name="macro_check_time" textkey="macro_fixed_delay_text" width="120"/>
        <Edit name="macro_fixed_time_edit" width="56" numberonly="true" maxchar="5" text="50"/>
        <Label text="ms" width="24"/>
    </HorizontalLayout>
    <HorizontalLayout name="macro_styles" visible="false" height="0">
        <Label name="macro_label_down_style" textkey="macro_down_key_text" textcolor="#FF7FD17F" width="64"/>
        <Label name="macro_label_up_style" textkey="macro_up_key_text" textcolor="#FFE0A050" width="64"/>
        <Label name="macro_label_keyboard_style" textcolor="#FFFFFFFF"/>
        <Label name="macro_label_mouse_style" textcolor="#FF9FC8FF"/>
        <Label name="macro_label_text_style" textcolor="#FFB0B0B0"/>
    </HorizontalLayout>
</MacroControl>
''')

w('XML/CustomControlXML/ComboEditElementItem.xml', '''
<!-- One event row of the macro editor: its action, its name and its delay. -->
<HorizontalLayout childpadding="6" inset="6,2,6,2">
    <Label name="text1" width="64"/>
    <Label name="text2"/>
    <Edit name="delay_edit" width="60" height="25" numberonly="true" maxchar="6"/>
    <Label text="ms" width="22"/>
</HorizontalLayout>
''')

w('XML/Menus/macro_action_menu.xml', '''
<!-- The event menu of the macro editor: recording before or after the
     selected event (with the real delays, the fixed delay or none), replacing
     its key by the next one pressed, and mouse button events to insert after
     it. -->
<Menu name="macro_action_menu">
''' + ''.join(f'''    <MenuElement name="macro_menu_record_{where}" textkey="macro_menu_record_{where}">
        <MenuElement name="redio_{where}_record_time" textkey="macro_menu_record_time"/>
        <MenuElement name="redio_{where}_constant_time" textkey="macro_menu_constant_time"/>
        <MenuElement name="redio_{where}_ignore_time" textkey="macro_menu_ignore_time"/>
    </MenuElement>
''' for where in ('previous', 'later')) + '''    <MenuElement name="macro_action_edit" textkey="macro_menu_replace_key"/>
''' + ''.join(f'''    <MenuElement name="macro_menu_{b}" textkey="mouse_key_{b}">
        <MenuElement name="{b}_click" textkey="macro_menu_click"/>
        <MenuElement name="{b}_down" textkey="macro_down_key_text"/>
        <MenuElement name="{b}_up" textkey="macro_up_key_text"/>
    </MenuElement>
''' for b in ('left', 'right', 'middle', 'forward', 'back')) + '''</Menu>
''')


colors = ['#FFFF0000', '#FFFF8000', '#FFFFFF00', '#FF00FF00', '#FF00FFFF', '#FF0000FF', '#FF8000FF', '#FFFFFFFF']
color_opts = '\n'.join('                <Option %s/>' % attrs(name='color_option_%d' % i, group='light_preset_color',
                        width=26, height=26, bkcolor=c) for i, c in enumerate(colors))
w('XML/CustomControlXML/LightControl.xml', f'''
<!-- The lighting editor: mode, brightness, speed, colour and direction. -->
<LightControl name="LightControlItem">
    <VerticalLayout name="lighteffect_layout" childpadding="8" inset="8,8,8,8">
        <HorizontalLayout height="30" childpadding="8">
            <Label textkey="light_mode_text" width="120"/>
            {combo("light_combo_modeSelect", width=240)}
            <HorizontalLayout name="lightcustom_layout" width="200" visible="false">
                {combo("light_combo_custommodeSelect", ["light_custom_group_1", "light_custom_group_2", "light_custom_group_3"], width=200)}
            </HorizontalLayout>
            <HorizontalLayout name="light_combo_ZZCCmodeSelectLayout" width="200" visible="false">
                {combo("light_combo_ZZCCmodeSelect", ["light_zone_1", "light_zone_2", "light_zone_3", "light_zone_4"], width=200)}
            </HorizontalLayout>
            <CheckBox name="deng_same_mode" textkey="light_same_mode_text" width="220" visible="false"/>
        </HorizontalLayout>
        <HorizontalLayout name="deng_light_layout" height="30" childpadding="8">
            <Label textkey="light_brightness_text" width="120"/>
            <Slider name="deng_light_slider" min="0" max="4" width="260"/>
        </HorizontalLayout>
        <HorizontalLayout name="deng_speed_layout" height="30" childpadding="8">
            <Label textkey="light_speed_text" width="120"/>
            <Slider name="deng_speed_slider" min="0" max="4" width="260"/>
        </HorizontalLayout>
        <HorizontalLayout name="deng_fx_layout" height="30" childpadding="8">
            <Label textkey="light_direction_text" width="120"/>
            <Option name="deng_FXL_check" group="light_direction" textkey="light_left_text" width="90"/>
            <Option name="deng_FXR_check" group="light_direction" textkey="light_right_text" width="90"/>
        </HorizontalLayout>
        <VerticalLayout name="deng_color_layout" height="130" childpadding="6">
            <HorizontalLayout height="30" childpadding="6">
                <CheckBox name="deng_7color_check" textkey="light_colour_cycle_text" width="130"/>
                <Button name="deng_colordp_btn" width="40" bkcolor="#FFFF0000"/>
                <Label text="R" width="14"/><Edit name="deng_edit_R" width="44" numberonly="true"/>
                <Label text="G" width="14"/><Edit name="deng_edit_G" width="44" numberonly="true"/>
                <Label text="B" width="14"/><Edit name="deng_edit_B" width="44" numberonly="true"/>
            </HorizontalLayout>
            <HorizontalLayout name="colorpallet_layout" height="90" childpadding="10">
                <ColorPalette name="deng_Color_Pallet" width="150"/>
                <HorizontalLayout childpadding="4" height="26">
{color_opts}
                </HorizontalLayout>
            </HorizontalLayout>
            <HorizontalLayout height="30" childpadding="6">
                <Button name="custom_bright_color_btn" textkey="light_fill_text" width="120"/>
                <Button name="custom_off_color_btn" textkey="light_clear_text" width="120"/>
            </HorizontalLayout>
        </VerticalLayout>
    </VerticalLayout>
</LightControl>
''')

gun_ops = '\n'.join('            <Option %s/>' % attrs(name='shoot_gun_op_%d' % i, group='shoot_gun', textkey='gun_%d_txt' % (i + 1), width=90, **({'selected': 'true'} if i == 0 else {})) for i in range(4))
gun_pages = '\n'.join('            <VerticalLayout %s/>' % attrs(name='shoot_gun_page_%d' % i) for i in range(4))
bullets = '\n'.join('                <Option %s/>' % attrs(name='bullet_op_%d' % i, group='shoot_bullet', text=str(i + 1), width=24, height=24) for i in range(30))
w('XML/CustomControlXML/ShootControl.xml', f'''
<!-- The recoil pattern editor: four gun slots of 30 bullets each. -->
<ShootControl name="ShootControlItem">
    <VerticalLayout childpadding="8" inset="8,8,8,8">
        <HorizontalLayout height="30" childpadding="6">
{gun_ops}
        </HorizontalLayout>
        <TabLayout name="shoot_image_display_switch" height="10">
{gun_pages}
        </TabLayout>
        <HorizontalLayout height="24" childpadding="2">
{bullets}
        </HorizontalLayout>
        <HorizontalLayout height="30" childpadding="6">
            <Button name="bullet_selected_prev" text="&lt;" width="30"/>
            <Label name="bullet_select_index" text="1" width="40" align="center"/>
            <Button name="bullet_selected_next" text="&gt;" width="30"/>
        </HorizontalLayout>
        <VerticalLayout name="bullet_edit_layout" height="110" childpadding="6">
            <HorizontalLayout height="30" childpadding="6">
                <CheckBox name="bullet_x_check" textkey="mouse_move_to_left_text" width="120"/>
                <Edit name="bullet_x_eidt" width="80"/>
            </HorizontalLayout>
            <HorizontalLayout height="30" childpadding="6">
                <CheckBox name="bullet_y_check" textkey="mouse_move_to_up_text" width="120"/>
                <Edit name="bullet_y_eidt" width="80"/>
            </HorizontalLayout>
            <HorizontalLayout height="30" childpadding="6">
                <Label textkey="delay_text" width="120"/>
                <Edit name="bullet_delay_eidt" width="80"/>
            </HorizontalLayout>
        </VerticalLayout>
        <HorizontalLayout height="32" childpadding="8">
            <Button name="shootdate_reset_btn" textkey="shoot_reset_text" width="100"/>
            <Button name="shootdate_save_btn" textkey="shoot_save_text" width="100"/>
            <Button name="shootdate_import_btn" textkey="shoot_import_text" width="100"/>
            <Button name="shootdate_export_btn" textkey="shoot_export_text" width="100"/>
        </HorizontalLayout>
    </VerticalLayout>
</ShootControl>
''')

eq_opts = '\n'.join('                <Option %s/>' % attrs(name='6533_eq_option_%d' % n, group='hs_eq_preset', textkey='eq_preset_%d' % n, width=104, height=28) for n in range(1, 14))
eq_sliders = '\n'.join('                <VerticalLayout width="44"><Slider %s/><Label %s/></VerticalLayout>' % (
    attrs(name='6533_eq_hz_slider_%d' % n, min=-20, max=20, hor='false', height=150),
    attrs(text=hz, height=20, align='center')) for n, hz in enumerate(['31', '62', '125', '250', '500', '1K', '2K', '4K', '8K', '16K']))
w('XML/CustomControlXML/Voice6533Control.xml', f'''
<!-- The headset's voice editor: equaliser presets and bands, custom presets,
     microphone and monitoring. -->
<Voice6533Control name="Voice6533ControlItem">
    <VerticalLayout childpadding="8" inset="8,8,8,8">
        <VerticalLayout height="92" childpadding="4">
            <HorizontalLayout height="28" childpadding="4">
{chr(10).join(eq_opts.split(chr(10))[:5])}
            </HorizontalLayout>
            <HorizontalLayout height="28" childpadding="4">
{chr(10).join(eq_opts.split(chr(10))[5:9])}
            </HorizontalLayout>
            <HorizontalLayout height="28" childpadding="4">
{chr(10).join(eq_opts.split(chr(10))[9:])}
            </HorizontalLayout>
        </VerticalLayout>
        <HorizontalLayout height="176" childpadding="4">
{eq_sliders}
        </HorizontalLayout>
        <HorizontalLayout name="custom_eq_option_layout" height="30" childpadding="6">
            {combo("custom_eq_name_combo", width=180)}
            <Edit name="custom_eq_name_edit" width="160" maxchar="32"/>
            <Button name="hs_EQ_btn_save" textkey="eq_save_text" width="90"/>
            <Button name="hs_EQ_btn_delete" textkey="eq_delete_text" width="90"/>
        </HorizontalLayout>
        <HorizontalLayout height="30" childpadding="6">
            <CheckBox name="6533_MicIn_option" textkey="mic_text" width="140"/>
            <Slider name="6533_MicIn_slider" min="0" max="100" width="260"/>
        </HorizontalLayout>
        <HorizontalLayout height="30" childpadding="6">
            <CheckBox name="6533_MicMoniter_option" textkey="monitor_text" width="140"/>
            <Slider name="6533_MicMoniter_slider" min="0" max="100" width="260"/>
        </HorizontalLayout>
        <Label name="hs_eq_status_text" height="22" visible="false"/>
        <Label name="hs_audio_status_text" height="22" visible="false"/>
    </VerticalLayout>
</Voice6533Control>
''')

w('XML/CustomControlXML/MagicControl.xml', '''
<!-- The headset's voice-effect editor. -->
<MagicControl name="MagicControlItem">
    <VerticalLayout childpadding="8" inset="8,8,8,8">
        <CheckBox name="magic_enable_option" textkey="magic_enable_text" height="30"/>
        <HorizontalLayout name="magic_option_layout" height="90" childpadding="10">
            <Option name="magic_option_1" group="hs_magic" textkey="magic_effect_1" width="100"/>
            <Option name="magic_option_2" group="hs_magic" textkey="magic_effect_2" width="100"/>
            <Option name="magic_option_3" group="hs_magic" textkey="magic_effect_3" width="100"/>
            <Option name="magic_option_4" group="hs_magic" textkey="magic_effect_4" width="100"/>
        </HorizontalLayout>
        <Label name="hs_magic_status_text" height="22" visible="false"/>
    </VerticalLayout>
</MagicControl>
''')

w('XML/msgwnd.xml', '''
<!-- The message box. -->
<Window size="420,220" caption="0,0,0,40" title="msgwnd">
    <Font id="0" name="Metropolis" size="15" default="true"/>
    <VerticalLayout name="msg_root" bkcolor="#FF1E2228" bordercolor="#FF0099FF" bordersize="1">
        <HorizontalLayout height="40" inset="14,0,6,0">
            <Label name="MessageTitle" textkey="message_title_text" textcolor="#FFDDE3EA"/>
            <Button name="closebtn" width="32" height="32" padding="0,4,0,4" normalimage="common/button/close_normal.png" hotimage="common/button/close_hot.png" tooltipkey="close_text"/>
        </HorizontalLayout>
        <Text name="MessageText" inset="20,10,20,10" textcolor="#FFDDE3EA" align="center"/>
        <HorizontalLayout height="56" inset="90,10,90,14" childpadding="20">
            <Button name="confirm_btn" textkey="confirm_text" height="32"/>
            <Button name="cancel_btn" textkey="cancel_text" height="32"/>
        </HorizontalLayout>
    </VerticalLayout>
</Window>
''')

tiles = '\n'.join('                <Button %s/>' % attrs(name='skin_image_btn', width=96, height=60,
                 bkimage='common/skin/bg_%d.png' % i, tooltipkey='skin_image_tip') for i in range(1, 5))
ctiles = '\n'.join('                <Button %s/>' % attrs(name='skin_color_btn', width=60, height=40, bkcolor=c)
                   for c in ['#FF14171C', '#FF1B2430', '#FF2A1E2E', '#FF1E2B24', '#FF30261A', '#FF262626'])
w('skin.xml', f'''
<!-- The skin chooser pop-up: background images, colours and the two themes. -->
<Window size="440,250">
    <Font id="0" name="Metropolis" size="14" default="true"/>
    <VerticalLayout name="skin_root" bkcolor="#FF1E2228" bordercolor="#FF0099FF" bordersize="1" inset="10,8,10,10" childpadding="8">
        <HorizontalLayout height="30" childpadding="8">
            <Option name="skin_image" group="skin_page" textkey="skin_image_text" width="100" selected="true"/>
            <Option name="skin_color" group="skin_page" textkey="skin_color_text" width="100"/>
            <Control/>
            <Button name="skin_Custom" textkey="skin_custom_text" width="90"/>
            <Button name="skin_reset" textkey="skin_reset_text" width="80"/>
        </HorizontalLayout>
        <TabLayout name="skin_tab" height="136">
            <HorizontalLayout childpadding="8">
{tiles}
            </HorizontalLayout>
            <HorizontalLayout childpadding="8">
{ctiles}
            </HorizontalLayout>
        </TabLayout>
        <HorizontalLayout height="30" childpadding="8">
            <Label textkey="skin_theme_text" width="90"/>
            <Button name="skin_theme_btn" userdata="graphite" textkey="theme_graphite" width="110"/>
            <Button name="skin_theme_btn" userdata="midnight" textkey="theme_midnight" width="110"/>
        </HorizontalLayout>
    </VerticalLayout>
</Window>
''')
print('layouts written')
