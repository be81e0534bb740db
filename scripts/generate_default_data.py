#!/usr/bin/env python3
"""Writes the shipped default data into data/DefaultData/.

The profile documents are the templates of every new profile and the content
of a reset; the other files are the lighting mode names, the language list and
the default recoil patterns. Run it after changing a table below and commit
the generated files:

    scripts/generate_default_data.py
"""
import json
import os

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "DefaultData")

# Factory key codes (kind << 16 | parameter 1 << 8 | parameter 2) of the
# keyboard's 126 key buttons, in key button order. A keyboard reports these
# codes in its factory key table, which is how the program finds each key.
KEYBOARD_FACTORY_CODES = [
    0x200029, 0x20003A, 0x20003B, 0x20003C, 0x20003D, 0x20003E, 0x20003F, 0x200040, 0x200041,
    0x200042, 0x200043, 0x200044, 0x200045, 0x200046, 0x200047, 0x200048, 0xA01B00, 0xA02400,
    0x200000, 0x200000, 0x200000, 0x200035, 0x20001E, 0x20001F, 0x200020, 0x200021, 0x200022,
    0x200023, 0x200024, 0x200025, 0x200026, 0x200027, 0x20002D, 0x20002E, 0x20002A, 0x200049,
    0x20004A, 0x20004B, 0x200053, 0x200054, 0x200055, 0x200056, 0x20002B, 0x200014, 0x20001A,
    0x200008, 0x200015, 0x200017, 0x20001C, 0x200018, 0x20000C, 0x200012, 0x200013, 0x20002F,
    0x200030, 0x200031, 0x20004C, 0x20004D, 0x20004E, 0x20005F, 0x200060, 0x200061, 0x200000,
    0x200039, 0x200004, 0x200016, 0x200007, 0x200009, 0x20000A, 0x20000B, 0x20000D, 0x20000E,
    0x20000F, 0x200033, 0x200034, 0x200028, 0x20005C, 0x20005D, 0x20005E, 0x20008A, 0x20008B,
    0x200090, 0x200091, 0x200088, 0x200200, 0x20001D, 0x20001B, 0x200006, 0x200019, 0x200005,
    0x200011, 0x200010, 0x200036, 0x200037, 0x200038, 0x202000, 0x200052, 0x200059, 0x20005A,
    0x20005B, 0x200087, 0x200089, 0x200064, 0x200085, 0x200000, 0x200100, 0x200800, 0x200400,
    0x20002C, 0x204000, 0xA00100, 0x200065, 0x201000, 0x200050, 0x200051, 0x20004F, 0x200062,
    0x200063, 0x200058, 0x200057, 0xD0A201, 0xD0A202, 0xD0A203, 0xD0A204, 0xD0A205, 0x208000,
]

# The mouse's ten logical buttons and the codes that identify them:
# left, right, middle, forward, back, sensitivity up, down, cycle, game mode, M8.
MOUSE_FACTORY_CODES = [
    0x100100, 0x100200, 0x100400, 0x101000, 0x100800,
    0x130100, 0x130200, 0x130300, 0xA01B00, 0x169001,
]

LED_COUNTS = {"keyboard": 126, "mouse": 6, "MousePad": 15, "HD": 13}

# Equaliser band gains of the twelve built-in headset presets.
EQ_PRESETS = [
    [7, 11, 2, -3, -1, 4, 9, 12, 9, 5],
    [7, 11, 6, -3, -11, -1, 6, 13, 6, 13],
    [10, 4, 0, -3, -4, -3, -2, -1, 0, 0],
    [2, 1, -2, -3, -5, -7, 0, 4, 9, 8],
    [0, 0, 0, 0, 0, 0, 0, 0, 0, 0],
    [7, 14, -13, -6, -1, 8, 13, 7, 2, 6],
    [14, 10, 4, 0, -4, -3, -1, 1, 2, 3],
    [2, 1, -2, -3, -5, -1, 7, 11, 15, 13],
    [8, 2, -4, -8, 1, 3, 8, 11, 14, 16],
    [-3, 4, 10, 0, -11, 3, 9, 13, 6, 0],
    [18, 14, 8, 2, -3, -6, -1, 2, 5, 6],
    [2, 1, -2, -4, -8, 4, 12, 16, 18, 15],
]

# Lighting mode names (language keys) and whether the mode list shows them,
# in mode order, per type code: keyboard 0, mouse 1, mousepad 2, headset 3.
KEYBOARD_MODES = [
    ("light_mode_none", 0), ("light_mode_wave", 1), ("light_mode_drift", 1),
    ("light_mode_path_wave", 1), ("light_mode_spectrum", 1), ("light_mode_breath", 1),
    ("light_mode_static", 1), ("light_mode_reactive", 1), ("light_mode_ripple", 1),
    ("light_mode_row_ripple", 1), ("light_mode_sparkle", 1), ("light_mode_hue_cycle", 1),
    ("light_mode_row_wave", 1), ("light_mode_centre_bounce", 1), ("light_mode_show", 1),
    ("light_mode_pulse", 1), ("light_mode_corner_bounce", 1), ("light_mode_zone", 1),
    ("light_mode_ring_rainbow", 1), ("light_mode_reserved", 0), ("light_mode_custom_colours", 1),
    ("light_mode_staggered_pulse", 1), ("light_mode_blink", 1), ("light_mode_snake", 1),
    ("light_mode_splash", 1), ("light_mode_breath_cycle", 1), ("light_mode_blink_cycle", 1),
    ("light_mode_off", 1), ("light_mode_path_sweep", 1),
    # mode 29: the keyboard shows it as a static variant; not offered
    ("light_mode_reserved", 0),
]
MOUSE_MODES = [
    ("light_mode_wave", 1), ("light_mode_spectrum", 1), ("light_mode_breath", 1),
    ("light_mode_static", 1), ("light_mode_blink", 1), ("light_mode_ripple", 1),
    ("light_mode_breath_cycle", 1), ("light_mode_blink_cycle", 1), ("light_mode_off", 1),
]
# Mousepad and headset: mode 5 plays the custom effects, which the custom
# effect list offers, so the built-in list hides it.
PAD_MODES = [
    ("light_mode_wave", 1), ("light_mode_spectrum", 1), ("light_mode_breath", 1),
    ("light_mode_static", 1), ("light_mode_blink", 1), ("light_mode_custom_effect", 0),
    ("light_mode_ripple", 1), ("light_mode_pair_ripple", 1), ("light_mode_off", 1),
]

# Languages: index 0 English, 2 traditional Chinese and 15 Thai have fonts of
# their own in the window; Language_ID is the Windows language identifier.
LANGUAGES = [
    ("en", "lan_en.xml", 1033, "English"),
    ("cn", "lan_cn.xml", 2052, "简体中文"),
    ("tw", "lan_tw.xml", 1028, "繁體中文"),
    ("de", "lan_de.xml", 1031, "Deutsch"),
    ("fr", "lan_fr.xml", 1036, "Français"),
    ("es", "lan_es.xml", 3082, "Español"),
    ("it", "lan_it.xml", 1040, "Italiano"),
    ("pt", "lan_pt.xml", 2070, "Português"),
    ("ru", "lan_ru.xml", 1049, "Русский"),
    ("ja", "lan_ja.xml", 1041, "日本語"),
    ("ko", "lan_ko.xml", 1042, "한국어"),
    ("pl", "lan_pl.xml", 1045, "Polski"),
    ("tr", "lan_tr.xml", 1055, "Türkçe"),
    ("vi", "lan_vi.xml", 1066, "Tiếng Việt"),
    ("id", "lan_id.xml", 1057, "Bahasa Indonesia"),
    ("th", "lan_th.xml", 1054, "ไทย"),
]


def light_info(mode, brightness=4, speed=2, multi=1, rgb=(255, 0, 0)):
    return {
        "SelectItem": mode, "Light": brightness, "Speed": speed, "Fx": 0, "MultiColor": multi,
        "Red": rgb[0], "Green": rgb[1], "Blue": rgb[2], "ZZCCLedMode": 0, "CustomGroup": 0,
    }


def light_list(count):
    # A null element is a layer that is not present: nothing is laid over the
    # LED and the profile's own mode shows. Nulls also keep the document small.
    return [None] * count


def key_list(codes):
    return [{"Assignment": code, "DefaultAssignment": code} for code in codes]


def colour(rgb):
    return {"Red": rgb[0], "Green": rgb[1], "Blue": rgb[2], "Alpha": 255}


def keyboard_colour_groups():
    """Three starting groups: game keys, rows in rainbow colours, all white."""
    game_keys = {0x20001A, 0x200004, 0x200016, 0x200007,   # W A S D
                 0x200050, 0x200051, 0x200052, 0x20004F}   # arrows
    game = []
    for code in KEYBOARD_FACTORY_CODES:
        if code in game_keys:
            game.append(colour((255, 0, 0)))
        elif code == 0x200029:                            # Esc
            game.append(colour((255, 120, 0)))
        else:
            game.append(colour((0, 80, 255)))
    row_colours = [(255, 0, 0), (255, 128, 0), (255, 255, 0), (0, 255, 0), (0, 200, 255),
                   (160, 0, 255)]
    rows = [colour(row_colours[min(i // 21, 5)]) for i in range(126)]
    white = [colour((255, 255, 255)) for _ in range(126)]
    return [game, rows, white]


def keyboard_document():
    return {"Device": [{
        "LightInfo": light_info(4),
        "LightList": light_list(LED_COUNTS["keyboard"]),
        "KeyList": key_list(KEYBOARD_FACTORY_CODES),
        # Repeat rate 31 (fastest), delay 500 ms (index 1), 6-key mode off,
        # report rate index 3, W-key and Windows-key locks off.
        "SystemStages": {"Repeat": 31, "RepeatDelay": 1, "Key6Flag": 0, "PollingRate": 3,
                         "WFlag": 0, "WinFlag": 0},
        "CustomLightMode": {"LightColorInfo": keyboard_colour_groups(),
                            "CustomLightModeGroupIndex": 0},
    }]}


def mouse_document():
    # Sensitivity in DPI steps of 50: 400, 800, 1600, 3200 and 6400 DPI.
    stage_colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (255, 0, 255)]
    stages = []
    for steps, rgb in zip([8, 16, 32, 64, 128], stage_colours):
        stages.append({"StageActive": 1, "StageXY": 0, "StageDPIX": steps, "StageDPIY": steps,
                       "StageColorR": rgb[0], "StageColorG": rgb[1], "StageColorB": rgb[2]})
    return {"Device": [{
        "LightInfo": light_info(1),
        "LightList": light_list(LED_COUNTS["mouse"]),
        "KeyList": key_list(MOUSE_FACTORY_CODES),
        "DPIStages": {"StageActive": 1, "StageDPIs": stages},
        # Pointer speed 4 (system speed 10), precision on, three wheel lines,
        # double-click slider 6.
        "SystemStages": {"DoubleClickTime": 6, "MouseSpeed": 4, "PointerPrecision": 1,
                         "ScorllPage": 0, "WheelScorlllinse": 2},
        "ReportStages": {"StageActive": 3},
        "CorrectInfo": [
            {"CorrectName": "Angle snapping", "CorrectPixThresh": 8, "CorrectMinSq": 4,
             "CorrectSelect": 0},
            {"CorrectName": "Ripple control", "CorrectPixThresh": 4, "CorrectMinSq": 2,
             "CorrectSelect": 0},
        ],
    }]}


def mousepad_document():
    return {"Device": [{
        "LightInfo": light_info(0),
        "LightList": light_list(LED_COUNTS["MousePad"]),
    }]}


def headset_document():
    bands = lambda gains: [{"value": gain} for gain in gains]
    return {"Device": [{
        "LightInfo": light_info(1),
        "LightList": light_list(LED_COUNTS["HD"]),
        # Voice effect off, flat equaliser (preset 5), microphone on at 80,
        # monitoring off at 50.
        "SystemSetStages": {"MagicEnable": 0, "MagicType": 1, "EqType": 5,
                            "CustomEqSeletIndex": 0, "MicInSelect": 1, "MicInValue": 80,
                            "MicMoniterSelect": 0, "MicMoniterValue": 50},
        # Element 0 is never used; presets 1-12 follow.
        "EQHzValueInfo": [bands([0] * 10)] + [bands(p) for p in EQ_PRESETS],
        "CustomEQNameInfo": [],
        "CustomEQHzValueInfo": [],
    }]}


def default_light():
    modes = [KEYBOARD_MODES, MOUSE_MODES, PAD_MODES, PAD_MODES]
    return {"DefaultLightName": [
        [{"LightName": name, "visible": visible} for name, visible in kind] for kind in modes]}


def language_config():
    return {"Language": [
        {"Language_name": name, "Language_file": file, "Language_ID": ident,
         "Language_text": text} for name, file, ident, text in LANGUAGES]}


# Recoil patterns: per gun, the delay between shots and how the pull grows.
GUNS = [
    # (delay ms, vertical pull per bullet at start, at the end, horizontal sway)
    (100, 4, 9, 2),   # rifle
    (70, 3, 6, 1),    # submachine gun
    (90, 5, 11, 3),   # machine gun
    (150, 8, 12, 1),  # marksman rifle
]


def shoot_pattern(gun):
    delay, start, end, sway = GUNS[gun]
    events = []
    for bullet in range(30):
        pull = start + (end - start) * min(bullet, 14) // 14
        # The sway swings left for five bullets, then right for five.
        left = (bullet // 5) % 2 == 0
        events += [
            {"Action": "down", "Button": 1, "Delay": 10, "Type": 1},
            {"Action": "up", "Button": 1, "Delay": 0, "Type": 1},
            {"Action": "down" if left else "up", "Button": sway, "Delay": 5, "Type": 4},
            # Compensation moves the cursor down ("up" is a downward movement).
            {"Action": "up", "Button": pull, "Delay": delay, "Type": 5},
        ]
    return {"Events": events}


def write(name, document):
    with open(os.path.join(ROOT, name), "w", encoding="utf-8") as f:
        json.dump(document, f, ensure_ascii=False, indent=3)
        f.write("\n")


def main():
    os.makedirs(ROOT, exist_ok=True)
    write("keyboard.Json", keyboard_document())
    write("mouse.Json", mouse_document())
    write("MousePad.Json", mousepad_document())
    write("HD.Json", headset_document())
    write("default_light.json", default_light())
    write("Language.config", language_config())
    for gun in range(4):
        write("ShootData_%d.Shoot" % gun, shoot_pattern(gun))


if __name__ == "__main__":
    main()
