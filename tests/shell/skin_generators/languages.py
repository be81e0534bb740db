#!/usr/bin/env python3
"""Writes the English and Simplified Chinese language files of the Veldmark skin."""
import glob, json, os, re, sys
from xml.sax.saxutils import escape, quoteattr

SKIN, DATA = sys.argv[1], sys.argv[2]
T = {}  # key -> (english, chinese)
def add(key, en, cn=None):
    T[key] = (en, cn if cn is not None else en)

# messages
for k, en, cn in [
    ('message_text_2', 'Keys use this macro. Deleting it gives them back their own function. Delete it?', '有按键正在使用该宏，删除后这些按键将恢复默认功能。确定删除吗？'),
    ('message_text_4', 'Delete this macro?', '确定删除该宏吗？'),
    ('message_text_5', 'That name is already used.', '该名称已被使用。'),
    ('message_text_6', 'At least one button must keep the left click.', '至少需要保留一个左键功能的按键。'),
    ('message_text_7', 'The macros could not be written to the device.', '宏无法写入设备。'),
    ('message_text_16', 'The device did not accept the settings (code %d).', '设备未接受设置（代码 %d）。'),
    ('message_text_22', 'Reset this profile to its defaults?', '确定将此配置恢复为默认值吗？'),
    ('message_macro_limit', 'A device keeps at most 50 macros. Delete one before adding another.',
     '每个设备最多保存 50 个宏。请先删除一个宏。'),
    ('message_macro_import_invalid', 'This file is not a macro file.', '该文件不是宏文件。'),
    ('message_macro_unreadable', 'The macro files cannot be read; nothing was changed.', '无法读取宏文件，未做任何更改。'),
    ('message_macro_write_failed', 'The macro files could not be written; nothing was changed.', '无法写入宏文件，未做任何更改。'),
    ('message_capture_failed', 'Recording cannot take the keyboard and mouse, so nothing would be recorded.',
     '录制无法获取键盘和鼠标，因此无法录制。'),
    ('message_title_text', 'Notice', '提示'), ('confirm_text', 'OK', '确定'), ('cancel_text', 'Cancel', '取消'),
    ('close_text', 'Close', '关闭'), ('show_window', 'Show window', '显示窗口'),
]:
    add(k, en, cn)

# device names
for k, en, cn in [('kb', 'Keyboard', '键盘'), ('ms', 'Mouse', '鼠标'), ('hard_mp', 'Mousepad', '鼠标垫'),
                  ('hd', 'Headset', '耳机'), ('unknow', 'Unknown device', '未知设备')]:
    add(k + '_device_name_text', en, cn)

# keyboard key names
# The left modifiers carry the names printed on the keys, so that a key given
# Ctrl with C reads "Ctrl+C"; the right-hand ones say which side they are.
kb = {'LCtrl': ('Ctrl', 'Ctrl'), 'LShift': ('Shift', 'Shift'), 'LAlt': ('Alt', 'Alt'),
      'LWin': ('Win', 'Win'), 'RCtrl': ('Right Ctrl', '右Ctrl'), 'RShift': ('Right Shift', '右Shift'),
      'RAlt': ('Right Alt', '右Alt'), 'RWin': ('Right Win', '右Win'), 'Enter': ('Enter', '回车'),
      'Esc': ('Esc', 'Esc'), 'BackSpace': ('Backspace', '退格'), 'Tab': ('Tab', 'Tab'), 'Space': ('Space', '空格'),
      'xiegang': ('\\', '\\'), 'Caplk': ('Caps Lock', '大写锁定'), 'Delete': ('Delete', '删除'),
      'Right': ('Right', '右'), 'Left': ('Left', '左'), 'Down': ('Down', '下'), 'Up': ('Up', '上'),
      'Decimal': ('Num .', '小键盘 .'), 'App': ('Menu', '菜单'), 'Computer': ('My Computer', '我的电脑'),
      'Power': ('Power', '电源'), 'Sleep': ('Sleep', '睡眠'), 'Wakeup': ('Wake up', '唤醒'),
      'FN': ('Fn', 'Fn'), 'GM': ('Game mode', '游戏模式'), 'Browaer Home': ('Browser Home', '浏览器主页'),
      'Launch App2': ('Calculator', '计算器'), 'Media Play Pause': ('Play / Pause', '播放/暂停'),
      'Browser Search': ('Search', '搜索'), 'Launch Mail': ('Mail', '邮件'), 'Volume Up': ('Volume Up', '音量+'),
      'Volume Mute': ('Mute', '静音'), 'Media Stop': ('Stop', '停止'), 'Volume Down': ('Volume Down', '音量-'),
      'Browser Favorites': ('Favorites', '收藏夹'), 'Browser ForWard': ('Forward', '前进'),
      'Browser Back': ('Back', '后退'), 'Media Prev Track': ('Previous Track', '上一曲'),
      'Media Next Track': ('Next Track', '下一曲'), 'Browser Refresh': ('Refresh', '刷新'),
      'Launch Media Select': ('Media Player', '媒体播放器')}
names = [chr(c) for c in range(ord('A'), ord('Z') + 1)] + [str(i) for i in range(10)]
names += ['-', '=', '[', ']', ';', "'", '`', '<', '.', '/', 'Print Scr', 'Scroll Lock', 'Pause', 'Insert', 'Home',
          'Page Up', 'End', 'Page Down', 'Num Lock', 'Num /', 'Num *', 'Num -', 'Num +', 'Num Enter']
names += ['F%d' % i for i in range(1, 13)] + ['Num %d' % i for i in range(10)]
names += ['K45', 'K56', 'K14', 'K107', 'K131', 'K132', 'K133', 'K150', 'K151'] + ['M%d' % i for i in range(1, 6)]
for n in names:
    kb.setdefault(n, (n, n.replace('Num ', '小键盘 ') if n.startswith('Num ') else n))
for n, (en, cn) in kb.items():
    add('keyboard_key_' + n, en, cn)

# mouse, media, system, shortcuts, guns, moves
for k, en, cn in [
    ('mouse_key_left', 'Left click', '左键'), ('mouse_key_middle', 'Middle click', '中键'),
    ('mouse_key_right', 'Right click', '右键'), ('mouse_key_forward', 'Forward', '前进键'),
    ('mouse_key_back', 'Back', '后退键'), ('mouse_key_DPI_add', 'DPI +', 'DPI +'), ('mouse_key_DPI_sub', 'DPI -', 'DPI -'),
    ('mouse_key_DPI_loop', 'DPI cycle', 'DPI 循环'), ('mouse_key_DPI_shift', 'DPI shift', 'DPI 切换'),
    ('mouse_key_smart_key', 'Smart key', '智能键'), ('mouse_key_M8_key', 'M8 key', 'M8 键'), ('mouse_key_fire_key', 'Fire key', '连发键'),
    ('mouse_key_left_Swing', 'Move left', '左移'), ('mouse_key_right_Swing', 'Move right', '右移'),
    ('mouse_key_up_Swing', 'Wheel up', '滚轮向上'), ('mouse_key_down_Swing', 'Wheel down', '滚轮向下'),
    ('media_text', 'Media player', '媒体播放器'), ('media_play', 'Play / Pause', '播放/暂停'), ('media_stop', 'Stop', '停止'),
    ('media_prev', 'Previous track', '上一曲'), ('media_next', 'Next track', '下一曲'), ('media_vol_sub', 'Volume down', '音量-'),
    ('media_vol_add', 'Volume up', '音量+'), ('media_mute', 'Mute', '静音'), ('web_text', 'Browser home', '浏览器主页'),
    ('web_refresh', 'Refresh', '刷新'), ('wed_stop', 'Stop loading', '停止加载'), ('wed_back', 'Back', '后退'),
    ('wed_forward', 'Forward', '前进'), ('wed_favorite', 'Favorites', '收藏夹'), ('web_search', 'Search', '搜索'),
    ('media_mypc', 'My computer', '我的电脑'), ('media_calc', 'Calculator', '计算器'), ('media_mail', 'Mail', '邮件'),
    ('system_power', 'Power', '关机'), ('system_sleep', 'Sleep', '睡眠'), ('system_wake_up', 'Wake up', '唤醒'),
    ('custem_cut', 'Cut', '剪切'), ('custem_copy', 'Copy', '复制'), ('custem_paste', 'Paste', '粘贴'),
    ('custem_undo', 'Undo', '撤销'), ('custem_select_all', 'Select all', '全选'), ('custem_find', 'Find', '查找'),
    ('custem_new', 'New', '新建'), ('custem_save', 'Save', '保存'), ('custem_open', 'Open', '打开'),
    ('custem_zoom_out', 'Zoom out', '缩小'), ('custem_zoom_in', 'Zoom in', '放大'),
    ('gun_1_txt', 'Gun 1', '枪械 1'), ('gun_2_txt', 'Gun 2', '枪械 2'), ('gun_3_txt', 'Gun 3', '枪械 3'), ('gun_4_txt', 'Gun 4', '枪械 4'),
    ('mouse_move_to_left_text', 'Move left ', '左移 '), ('mouse_move_to_right_text', 'Move right ', '右移 '),
    ('mouse_move_to_up_text', 'Move up ', '上移 '), ('mouse_move_to_down_text', 'Move down ', '下移 '),
    ('Logo', 'Logo', '标志灯'), ('Light_Set', 'Lighting: ', '灯效：'), ('Overall_Light_Set', 'Whole device: ', '整体灯效：'),
    ('Repeat_Delay_Time', 'Repeat delay: ', '重复延迟：'), ('ms', ' ms', ' 毫秒'),
    ('Repeat_input_text', 'Hold a key here to try the repeat settings', '在此按住按键测试重复速度'),
    ('reset_repeat_text', 'Clear', '清空'), ('Key_Set', 'Now: ', '当前功能：'),
    # update window texts
    ('GetUpdateInfoText', 'Checking for updates...', '正在检查更新...'), ('HaveUpdateInfoText', 'Updates are available', '有可用的更新'),
    ('ISUpdateINGText', 'An update is running', '正在更新中'), ('NoUpdateInfoText', 'No update information', '没有更新信息'),
    ('UpdateFailText', 'Update failed', '更新失败'), ('UpdateIngText', 'Updating', '更新中'),
    ('UpdateIsLastText', 'Everything is up to date', '已是最新版本'), ('UpdateOkText', 'Update finished', '更新完成'),
]:
    add(k, en, cn)

# lighting mode names from the shipped default lighting list
MODE_CN = {'none': '无', 'wave': '波浪', 'drift': '漂移', 'path_wave': '路径波浪', 'spectrum': '光谱', 'breath': '呼吸',
           'static': '常亮', 'reactive': '触发', 'ripple': '涟漪', 'row_ripple': '行涟漪', 'sparkle': '闪烁星光',
           'hue_cycle': '色相循环', 'row_wave': '行波浪', 'centre_bounce': '中心弹跳', 'show': '表演', 'pulse': '脉冲',
           'corner_bounce': '角落弹跳', 'zone': '分区', 'ring_rainbow': '彩虹环', 'reserved': '保留',
           'custom_colours': '自定义颜色', 'staggered_pulse': '交错脉冲', 'blink': '闪烁', 'snake': '贪吃蛇',
           'splash': '飞溅', 'breath_cycle': '循环呼吸', 'blink_cycle': '循环闪烁', 'off': '关闭',
           'custom_effect': '自定义灯效', 'pair_ripple': '双向涟漪', 'path_sweep': '路径扫描'}
with open(os.path.join(DATA, 'DefaultData', 'default_light.json'), encoding='utf-8') as f:
    for family in json.load(f)['DefaultLightName']:
        for entry in family:
            key = entry['LightName']
            if key in T:
                continue
            base = key[len('light_mode_'):] if key.startswith('light_mode_') else key
            add(key, base.replace('_', ' ').capitalize(), MODE_CN.get(base, base.replace('_', ' ')))

# texts the layouts name
LAYOUT = {
    'profile_save': ('Save', '保存'), 'profile_add': ('New', '新建'), 'profile_delete': ('Delete', '删除'),
    'profile_copy': ('Copy', '复制'), 'profile_import': ('Import', '导入'), 'profile_export': ('Export', '导出'),
    'profile_reset': ('Reset', '重置'), 'cursor_tab': ('Sensitivity', '灵敏度'), 'macro_tab': ('Macros', '宏'),
    'system_tab': ('System', '系统'), 'key_tab': ('Keys', '按键'), 'deng_tab': ('Lighting', '灯光'),
    'voice_tab': ('Sound', '音效'), 'magic_tab': ('Voice effect', '变声'),
    'polling_rate_text': ('Report rate', '回报率'), 'win_lock_text': ('Lock Windows key', '锁定 Win 键'),
    'w_flag_text': ('WASD swap', 'WASD 切换'), 'six_key_text': ('6-key mode', '六键模式'),
    'repeat_rate_text': ('Repeat rate', '重复速度'), 'mouse_page_keys': ('Buttons', '按键'),
    'mouse_page_dpi': ('Sensitivity', '灵敏度'), 'mouse_page_pointer': ('Pointer', '指针'),
    'device_tishi_text': ('Click a button on the picture to change it', '点击图中的按键进行设置'),
    'mouse_logo_text': ('Logo', '标志灯'), 'dpi_stages_text': ('Sensitivity stages', '灵敏度档位'),
    'pointer_speed_text': ('Pointer speed', '指针速度'), 'pointer_precision_text': ('Enhance pointer precision', '提高指针精确度'),
    'scroll_speed_text': ('Wheel scroll lines', '滚轮滚动行数'), 'scroll_page_text': ('One page per notch', '一次滚动一页'),
    'double_click_text': ('Double-click speed', '双击速度'),
    'desktop_setting_not_offered_text': ('This desktop has no such setting; it is kept in the profile only.', '此桌面没有该设置，仅保存在配置文件中。'),
    'desktop_setting_failed_text': ('The desktop refused this setting:', '桌面未接受该设置：'), 'default_text': ('Restore defaults', '恢复默认'),
    'keyset_fn_disable': ("The button's own function", '按键原有功能'), 'keyset_fn_mousekey': ('Mouse button', '鼠标按键'),
    'keyset_fn_swing': ('Cursor move', '光标移动'), 'keyset_fn_wheel': ('Wheel', '滚轮'), 'keyset_fn_dpi': ('Sensitivity', '灵敏度'),
    'keyset_fn_fire': ('Fire', '连发'), 'keyset_fn_keyboard': ('Keyboard key', '键盘按键'), 'keyset_fn_media': ('Media', '多媒体'),
    'keyset_fn_system': ('System', '系统'), 'keyset_fn_macro': ('Macro', '宏'), 'keyset_fn_gun': ('Gun key', '压枪键'),
    'keyset_fn_combo': ('Shortcut', '快捷键'), 'count_text': ('Count', '次数'), 'delay_text': ('Delay (ms)', '延迟（毫秒）'),
    'speed_text': ('Speed', '速度'), 'interval_text': ('Interval (ms)', '间隔（毫秒）'), 'modifier_none': ('None', '无'),
    'macro_mode_once': ('Run once', '执行一次'), 'macro_mode_hold': ('Repeat while held', '按住循环'),
    'macro_mode_toggle': ('Press to start / stop', '按下开始/停止'), 'macro_mode_release': ('Run on release', '松开执行'),
    'macro_mode_count': ('Repeat a number of times', '指定次数'), 'key_default_text': ('Default', '默认'),
    'key_save_text': ('Apply', '应用'), 'key_cancel_text': ('Cancel', '取消'), 'key_upload_text': ('Save to device', '保存到设备'),
    'macro_add_text': ('New', '新建'), 'macro_delete_text': ('Delete', '删除'), 'macro_rename_text': ('Rename', '重命名'),
    'macro_import_text': ('Import', '导入'), 'macro_export_text': ('Export', '导出'), 'macro_top_text': ('Top', '置顶'),
    'macro_up_text': ('Up', '上移'), 'macro_down_text': ('Down', '下移'), 'macro_bottom_text': ('Bottom', '置底'),
    'macro_delete_action_text': ('Delete', '删除'), 'macro_clear_text': ('Clear', '清空'), 'macro_insert_text': ('Insert', '插入'),
    'macro_delay_text': ('Delay', '延迟'), 'macro_keyboard_text': ('Keyboard', '键盘'), 'macro_mouse_text': ('Mouse', '鼠标'),
    'macro_text_text': ('Text', '文本'), 'macro_down_key_text': ('Press', '按下'), 'macro_up_key_text': ('Release', '松开'),
    'macro_record_text': ('Record', '录制'), 'macro_stop_text': ('Stop', '停止'), 'macro_record_delay_text': ('Record delays', '记录延迟'),
    'macro_save_text': ('Save', '保存'), 'macro_rename_hint': ('New name', '新名称'),
    'macro_action_column_text': ('Event', '动作'), 'macro_delay_column_text': ('Delay', '延迟'),
    'macro_move_text': ('Move', '移动'), 'macro_fixed_delay_text': ('Fixed delay', '固定延迟'),
    'macro_menu_click': ('Click', '单击'), 'macro_menu_record_previous': ('Record before this event', '在此动作前录制'),
    'macro_menu_record_later': ('Record after this event', '在此动作后录制'),
    'macro_menu_record_time': ('With the delays as pressed', '记录实际延迟'),
    'macro_menu_constant_time': ('With the fixed delay', '使用固定延迟'),
    'macro_menu_ignore_time': ('Without delays', '不记录延迟'),
    'macro_menu_replace_key': ('Replace with the next key pressed', '替换为下一个按下的键'),
    'macro_cancel_text': ('Cancel', '取消'), 'light_mode_text': ('Effect', '灯效'),
    'light_zone_1': ('Zone 1', '区域 1'), 'light_zone_2': ('Zone 2', '区域 2'), 'light_zone_3': ('Zone 3', '区域 3'),
    'light_zone_4': ('Zone 4', '区域 4'),
    'light_custom_group_1': ('Colour set 1', '自定义颜色 1'),
    'light_custom_group_2': ('Colour set 2', '自定义颜色 2'),
    'light_custom_group_3': ('Colour set 3', '自定义颜色 3'), 'light_same_mode_text': ('Same on every device', '所有设备同步'),
    'light_brightness_text': ('Brightness', '亮度'), 'light_speed_text': ('Speed', '速度'), 'light_direction_text': ('Direction', '方向'),
    'light_left_text': ('Left', '向左'), 'light_right_text': ('Right', '向右'), 'light_colour_cycle_text': ('Colour cycle', '七彩循环'),
    'light_fill_text': ('Fill all keys', '全部填充'), 'light_clear_text': ('Clear all keys', '全部清除'),
    'shoot_reset_text': ('Reset', '重置'), 'shoot_save_text': ('Save', '保存'), 'shoot_import_text': ('Import', '导入'),
    'shoot_export_text': ('Export', '导出'), 'eq_save_text': ('Save', '保存'), 'eq_delete_text': ('Delete', '删除'),
    'mic_text': ('Microphone', '麦克风'), 'monitor_text': ('Monitoring', '监听'), 'magic_enable_text': ('Voice effect', '变声'),
    'magic_effect_1': ('Robot', '机器人'), 'magic_effect_2': ('Deep', '低沉'), 'magic_effect_3': ('Child', '童声'),
    'magic_effect_4': ('Echo hall', '回声'),
    'hs_audio_off_text': ('Audio settings are off', '音频设置不可用'),
    'hs_magic_off_text': ('The sound system offers no voice effects for this headset', '此耳机的声音系统不支持变声'),
    'hs_eq_not_applied_text': ('The equaliser is stored but not applied (no PipeWire sound server runs)',
                               '均衡器已保存，但未应用（PipeWire 声音服务未运行）'),
    'skin_image_tip': ('Use this background', '使用此背景'),
    'skin_image_text': ('Images', '图片'), 'skin_color_text': ('Colours', '纯色'), 'skin_custom_text': ('Custom...', '自定义...'),
    'skin_reset_text': ('Default', '默认'), 'skin_theme_text': ('Theme', '主题'), 'theme_graphite': ('Graphite', '石墨'),
    'theme_midnight': ('Midnight', '午夜'),
    # the main window and its tray menu
    'main_title_text': ('VARNE VK-R20 Mechanical Keyboard', 'VARNE VK-R20 机械键盘'),
    'nodevice_text': ('No device is connected', '未连接设备'), 'nodevice_ok_text': ('OK', '确定'),
    'tray_menu_show': ('Show window', '显示窗口'), 'tray_menu_exit': ('Exit', '退出'),
    'close_btn_tip': ('Close', '关闭'), 'min_btn_tip': ('Minimize', '最小化'), 'set_btn_tip': ('Settings', '设置'),
    'skin_btn_tip': ('Skin', '皮肤'), 'control_light_text': ('Drive the lighting', '控制灯光'),
    'profile_menu_text': ('Profiles', '配置'), 'profile_menu_tip': ('Profile actions', '配置操作'),
    '控制灯光': ('Lighting: on', '控制灯光'), '不控制灯光': ('Lighting: off', '不控制灯光'),
}
EQ = [('Pop', '流行'), ('Rock', '摇滚'), ('Classical', '古典'), ('Jazz', '爵士'), ('Flat', '平直'), ('Dance', '舞曲'),
      ('Bass', '重低音'), ('Treble', '高音'), ('Live', '现场'), ('Vocal', '人声'), ('Club', '俱乐部'), ('Soft', '柔和'),
      ('Custom', '自定义')]
for i, (en, cn) in enumerate(EQ, 1):
    LAYOUT['eq_preset_%d' % i] = (en, cn)
for k, (en, cn) in LAYOUT.items():
    add(k, en, cn)

# every key a layout names must have a text
missing = set()
for path in glob.glob(os.path.join(SKIN, 'XML', '**', '*.xml'), recursive=True) + glob.glob(os.path.join(SKIN, '*.xml')):
    if os.path.basename(path).startswith('lan_'):
        continue
    for key in re.findall(r'(?:textkey|tooltipkey|hintkey)="([^"]+)"', open(path, encoding='utf-8').read()):
        if key not in T:
            missing.add(key)
if missing:
    sys.exit('no text for: ' + ', '.join(sorted(missing)))

def write(name, lang, col, font):
    with open(os.path.join(SKIN, name), 'w', encoding='utf-8') as f:
        f.write('<?xml version="1.0" encoding="utf-8"?>\n<Language name=%s font=%s>\n' % (quoteattr(lang), quoteattr(font)))
        for k in sorted(T):
            f.write('    <Text key=%s>%s</Text>\n' % (quoteattr(k), escape(T[k][col])))
        f.write('</Language>\n')
write('lan_en.xml', 'en', 0, 'Metropolis')
write('lan_cn.xml', 'cn', 1, 'Noto Sans CJK SC')
print(len(T), 'texts')
