#!/usr/bin/env python3
"""Writes the skin's layouts (Qt Designer .ui XML under the program's file names), menus,
resource index and the Chinese and English language files.

    python3 tools/skingen/layouts.py skin/

Each control is described once, with its Chinese and English text; the layouts carry the
Chinese text (the program starts in Chinese) and both language files are derived from the
same description, so every visible text exists in both languages.
"""
import os
import sys
from xml.sax.saxutils import escape, quoteattr

LANG = {}        # id -> (cn, en)
ORDER = []


def tr(ident, cn, en):
    if ident not in LANG:
        ORDER.append(ident)
    LANG[ident] = (cn, en)


class W:
    def __init__(self, cls, name, x=0, y=0, w=0, h=0, text=None, en=None, children=(), **props):
        self.cls, self.name, self.geo = cls, name, (x, y, w, h)
        self.text, self.en, self.children, self.props = text, en, list(children), props


def prop(name, inner, stdset=True):
    std = '' if stdset else ' stdset="0"'
    return f'<property name="{name}"{std}>{inner}</property>'


def string(v):
    return f'<string>{escape(v)}</string>'


def emit(wd, out, indent):
    pad = ' ' * indent
    out.append(f'{pad}<widget class="{wd.cls}" name="{wd.name}">')
    p = wd.props
    x, y, w, h = wd.geo
    if w or h:
        out.append(pad + ' ' + prop('geometry', f'<rect><x>{x}</x><y>{y}</y><width>{w}</width><height>{h}</height></rect>'))
    if wd.text is not None:
        key = 'title' if wd.cls == 'QGroupBox' else 'text'
        out.append(pad + ' ' + prop(key, string(wd.text)))
        if not p.get('codetext'):
            tr(wd.name, wd.text, wd.en if wd.en is not None else wd.text)
    if 'placeholder' in p:
        cn, en = p['placeholder']
        out.append(pad + ' ' + prop('placeholderText', string(cn)))
        tr(wd.name, cn, en)
    if p.get('checkable') or 'group' in p:
        out.append(pad + ' ' + prop('checkable', '<bool>true</bool>'))
    if p.get('checked'):
        out.append(pad + ' ' + prop('checked', '<bool>true</bool>'))
    if p.get('hidden'):
        out.append(pad + ' ' + prop('visible', '<bool>false</bool>'))
    if p.get('disabled'):
        out.append(pad + ' ' + prop('enabled', '<bool>false</bool>'))
    if p.get('readonly'):
        out.append(pad + ' ' + prop('readOnly', '<bool>true</bool>'))
    if p.get('wrap'):
        out.append(pad + ' ' + prop('wordWrap', '<bool>true</bool>'))
    if 'align' in p:
        flags = {'center': 'Qt::AlignCenter', 'right': 'Qt::AlignRight|Qt::AlignVCenter',
                 'left': 'Qt::AlignLeft|Qt::AlignVCenter'}[p['align']]
        out.append(pad + ' ' + prop('alignment', f'<set>{flags}</set>'))
    if 'tip' in p:
        out.append(pad + ' ' + prop('toolTip', string(p['tip'])))
    if wd.cls in ('QPushButton', 'QCheckBox', 'QRadioButton', 'QComboBox') and not p.get('nocursor'):
        out.append(pad + ' ' + prop('cursor', '<cursorShape>PointingHandCursor</cursorShape>'))
    if wd.cls == 'QPushButton':
        out.append(pad + ' ' + prop('focusPolicy', '<enum>Qt::NoFocus</enum>'))
    if wd.cls == 'QSlider':
        out.append(pad + ' ' + prop('orientation', '<enum>Qt::Horizontal</enum>'))
        lo, hi = p.get('range', (0, 100))
        out.append(pad + ' ' + prop('minimum', f'<number>{lo}</number>'))
        out.append(pad + ' ' + prop('maximum', f'<number>{hi}</number>'))
        out.append(pad + ' ' + prop('pageStep', f'<number>{p.get("page", 1)}</number>'))
        out.append(pad + ' ' + prop('value', f'<number>{p.get("value", lo)}</number>'))
    if wd.cls in ('QProgressBar', 'CCircleProgressUI'):
        out.append(pad + ' ' + prop('value', f'<number>{p.get("value", 0)}</number>'))
        out.append(pad + ' ' + prop('textVisible', '<bool>true</bool>'))
    if 'maxlength' in p:
        out.append(pad + ' ' + prop('maxLength', f'<number>{p["maxlength"]}</number>'))
    if 'current' in p:
        out.append(pad + ' ' + prop('currentIndex', f'<number>{p["current"]}</number>'))
    for dyn in ('group', 'bkimage', 'normalimage', 'hotimage', 'pushedimage', 'bkcolor', 'userdata', 'styleClass', 'textid'):
        if dyn in p:
            out.append(pad + ' ' + prop(dyn, string(p[dyn]), stdset=False))
    for i, item in enumerate(p.get('items', [])):
        cn, en = item if isinstance(item, tuple) else (item, item)
        out.append(pad + ' <item>' + prop('text', string(cn)) + '</item>')
        if cn != en:
            tr(f'{wd.name}#{i}', cn, en)
    for c in wd.children:
        emit(c, out, indent + 1)
    out.append(f'{pad}</widget>')


def write_ui(folder, filename, root):
    out = ['<?xml version="1.0" encoding="UTF-8"?>', '<ui version="4.0">']
    emit(root, out, 1)
    out.append('</ui>')
    with open(os.path.join(folder, filename), 'w', encoding='utf-8') as f:
        f.write('\n'.join(out) + '\n')


# ---------------------------------------------------------------------------------------
# Building blocks

def label(name, x, y, w, h, cn, en, cls=None, **kw):
    if cls:
        kw['styleClass'] = cls
    return W('QLabel', name, x, y, w, h, cn, en, **kw)


def button(name, x, y, w, h, cn, en, cls='secondary', **kw):
    kw.setdefault('styleClass', cls)
    return W('QPushButton', name, x, y, w, h, cn, en, **kw)


def option(name, x, y, w, h, cn, en, group=None, cls='segment', **kw):
    if group:
        kw['group'] = group
    kw['checkable'] = True
    kw.setdefault('styleClass', cls)
    return W('QPushButton', name, x, y, w, h, cn, en, **kw)


def check(name, x, y, w, h, cn, en, **kw):
    return W('QCheckBox', name, x, y, w, h, cn, en, **kw)


def edit(name, x, y, w, h, placeholder=None, **kw):
    if placeholder:
        kw['placeholder'] = placeholder
    return W('QLineEdit', name, x, y, w, h, **kw)


def combo(name, x, y, w, h, items=(), **kw):
    return W('QComboBox', name, x, y, w, h, items=list(items), **kw)


def slider(name, x, y, w, h, lo, hi, page=1, value=None):
    return W('QSlider', name, x, y, w, h, range=(lo, hi), page=page, value=lo if value is None else value)


def card(name, x, y, w, h, children, title=None):
    kids = list(children)
    if title:
        kids.insert(0, label(name + '_title', 16, 10, w - 32, 20, title[0], title[1], cls='cardTitle'))
    return W('QFrame', name, x, y, w, h, children=kids, styleClass='card')


def panel(name, x, y, w, h, children, **kw):
    return W('QWidget', name, x, y, w, h, children=list(children), **kw)


def page(name, children, w=640, h=528):
    return W('QWidget', name, 0, 0, w, h, children=list(children), styleClass='page')


PRESETS = ['000000', 'FF0000', 'FF8000', 'FFFF00', '00FF00', '00FFFF', '0080FF', '0000FF', 'FF00FF', 'A0005A',
           '000000', '34D5FF', 'D7FF84', 'A2FF1A', '48D146', '1AA34B', '1A7549', '7FFFD9', 'A3A4FF', '34D5FF']


def presets(prefix, x, y, count=10, size=22, gap=6):
    out = []
    for k in range(count):
        out.append(W('QPushButton', f'{prefix}{k}', x + k * (size + gap), y, size, size,
                     styleClass='swatch', bkcolor='0xFF' + PRESETS[k], tip='#' + PRESETS[k]))
    return out


def profile_bar(prefix_combo, edit_name, apply_name, lian, layout, cx_edit, cx_btn, y=14):
    return [
        label(f'lbl_{prefix_combo}', 222, y + 4, 66, 24, '配置文件', 'Profile', cls='muted', align='right'),
        combo(prefix_combo, 294, y, 146, 30),
        edit(edit_name, 446, y, 100, 30, placeholder=('新名称', 'New name'), maxlength=64),
        button(apply_name, 552, y, 72, 30, '重命名', 'Rename'),
        check(lian, 24, y + 46, 120, 24, '关联程序', 'Link program'),
        panel(layout, 150, y + 42, 340, 32, [
            edit(cx_edit, 0, 0, 240, 30, readonly=True),
            button(cx_btn, 248, 0, 84, 30, '选择程序', 'Choose…'),
        ], hidden=True),
    ]


# ---------------------------------------------------------------------------------------
# Pages of the mouse

def page_dpi():
    stages = []
    for i in range(5):
        x = 46 + i * 112
        stages.append(W('QPushButton', f'DPI_profile_{i}', x + 20, 42, 40, 40, styleClass='stage',
                        bkimage=f"file='ms/{'dw' if i == 1 else 'du'}{i + 1}.png'", tip=f'DPI {i + 1}'))
        stages.append(edit(f'ms_macro_profile_{i}', x, 90, 80, 28, align='center', maxlength=5,
                           disabled=(i != 1)))
    return page('page_dpi', [
        label('ms_dpi_title', 24, 16, 200, 28, 'DPI 设置', 'DPI settings', cls='title'),
        *profile_bar('ms_DPI_combo_profileSelect', 'ms_dpi_edit_maname', 'ms_dpi_apply_btn',
                     'ms_DPI_write_lian', 'ms_DPI_Layout_cxname', 'ms_DPI_edit_cxname', 'ms_DPI_btn_cxname'),
        card('dpi_stage_card', 16, 94, 608, 168, [
            *stages,
            label('lbl_dpi_slider', 24, 130, 130, 26, '当前档位 DPI', 'Current stage DPI', cls='muted'),
            slider('ms_DPI_slider', 160, 132, 424, 22, 0, 58),
        ], title=('DPI 档位', 'DPI stages')),
        card('dpi_color_card', 16, 272, 608, 132, [
            W('QPushButton', 'ms_DPI_colordp_btn', 16, 40, 44, 44, styleClass='swatchBig', bkcolor='0xFF0080FF'),
            label('lbl_dpi_r', 72, 40, 14, 26, 'R', 'R', cls='muted'),
            edit('ms_DPI_edit_R', 86, 40, 44, 26, align='center', maxlength=3),
            label('lbl_dpi_g', 138, 40, 14, 26, 'G', 'G', cls='muted'),
            edit('ms_DPI_edit_G', 152, 40, 44, 26, align='center', maxlength=3),
            label('lbl_dpi_b', 204, 40, 14, 26, 'B', 'B', cls='muted'),
            edit('ms_DPI_edit_B', 218, 40, 44, 26, align='center', maxlength=3),
            *presets('ms_DPI_color_btn_', 16, 94),
            W('CColorPaletteUI', 'Pallet', 330, 14, 262, 104),
        ], title=('指示灯颜色', 'Indicator colour')),
        card('dpi_perf_card', 16, 414, 608, 104, [
            label('lbl_report_rate', 16, 40, 90, 26, '回报率', 'Report rate', cls='muted'),
            combo('ms_deng_combo_USBreportSelect', 16, 66, 120, 28,
                  items=['125 Hz', '250 Hz', '500 Hz', '1000 Hz']),
            label('lbl_pointer_speed', 160, 40, 150, 26, '指针速度', 'Pointer speed', cls='muted'),
            slider('ms_DPI_speed', 160, 70, 170, 22, 0, 10, value=5),
            label('lbl_scroll_lines', 352, 40, 120, 26, '滚轮行数', 'Scroll lines', cls='muted'),
            button('ms_gunlun_speed_down_btn', 352, 66, 28, 28, '−', '−'),
            edit('ms_gunlun_speed_edit', 384, 66, 40, 28, align='center', maxlength=2),
            button('ms_gunlun_speed_up_btn', 428, 66, 28, 28, '+', '+'),
            option('ms_deng_xg', 476, 14, 116, 26, '灯效设置 ›', 'Lighting ›', group='ms_nav', cls='link'),
            button('ms_k_reset', 476, 66, 116, 28, '恢复出厂', 'Factory reset', cls='danger'),
        ], title=('性能', 'Performance')),
    ])


def page_macro():
    return page('page_macro', [
        label('ms_macro_title', 24, 16, 200, 28, '宏编辑', 'Macro editor', cls='title'),
        card('macro_lib_card', 16, 56, 238, 462, [
            combo('ms_marco_combo_profileSelect', 16, 40, 206, 30),
            button('ms_macro_add_btn', 16, 78, 64, 28, '新建', 'New', cls='primary'),
            button('ms_macro_delete_btn', 87, 78, 64, 28, '删除', 'Delete'),
            button('ms_macro_copy_btn', 158, 78, 64, 28, '更多', 'More'),
            label('lbl_macro_name', 16, 118, 206, 20, '宏名称', 'Macro name', cls='muted'),
            edit('ms_macro_edit_newname', 16, 140, 140, 28, placeholder=('宏名称', 'Name'), maxlength=64),
            button('ms_hong_apply_btn', 162, 140, 60, 28, '重命名', 'Rename'),
            label('lbl_macro_delay', 16, 184, 206, 20, '录制延时', 'Recorded delays', cls='muted'),
            option('ms_Macro_write_img', 16, 208, 206, 26, '记录实际延时', 'Record real delays', group='macro_delay',
                   cls='radio', checked=True),
            option('ms_Macro_default_img', 16, 238, 110, 26, '固定延时', 'Fixed delay', group='macro_delay',
                   cls='radio'),
            edit('ms_macro_edit_delay', 130, 238, 60, 26, align='center', maxlength=6),
            label('lbl_macro_delay_ms', 194, 238, 28, 26, 'ms', 'ms', cls='muted'),
            option('ms_Macro_cancledelay_img', 16, 268, 206, 26, '忽略延时', 'No delays', group='macro_delay',
                   cls='radio'),
            button('ms_Macro_record', 16, 320, 206, 40, '录制', '录制', cls='record', codetext=True),
            label('lbl_macro_hint', 16, 368, 206, 70, '录制时在键盘上按下按键；再次点击结束录制。',
                  'Press keys on the keyboard while recording; click again to stop.', cls='hint', wrap=True),
        ], title=('宏库', 'Macro library')),
        card('macro_list_card', 264, 56, 360, 462, [
            W('QListWidget', 'ms_Macro_list', 16, 40, 240, 300),
            button('ms_macro_btn_uptop', 266, 40, 78, 28, '置顶', 'To top'),
            button('ms_macro_btn_up', 266, 74, 78, 28, '上移', 'Up'),
            button('ms_macro_btn_down', 266, 108, 78, 28, '下移', 'Down'),
            button('ms_macro_btn_downbottom', 266, 142, 78, 28, '置底', 'To bottom'),
            button('ms_macro_btn_edit', 266, 186, 78, 28, '修改', 'Edit'),
            button('ms_macro_btn_delete', 266, 220, 78, 28, '删除', 'Delete'),
            button('ms_macro_btn_deleteall', 266, 254, 78, 28, '清空', 'Clear', cls='danger'),
            combo('ms_macro_combo_keyselect', 266, 296, 78, 28),
            combo('ms_macro_combo_upordown', 266, 330, 78, 28, items=[('按下', 'Press'), ('弹起', 'Release')]),
            label('lbl_macro_insert', 16, 352, 200, 20, '插入', 'Insert', cls='muted'),
            combo('ms_deng_combo_delaySelect1', 16, 376, 140, 30,
                  items=[('在前插入延时', 'Delay before'), ('在后插入延时', 'Delay after'),
                         ('在前插入按键', 'Keys before'), ('在后插入按键', 'Keys after')]),
            panel('ms_macro_edit_hor_0', 164, 376, 180, 30, [
                edit('ms_macro_edit_delayname', 0, 0, 70, 30, align='center', maxlength=6),
                label('lbl_delay_unit', 74, 0, 24, 30, 'ms', 'ms', cls='muted'),
                button('ms_macro_btn_inset', 100, 0, 80, 30, '插入', 'Insert', cls='primary'),
            ]),
            panel('ms_macro_edit_hor_1', 164, 376, 180, 30, [
                button('ms_macro_btn_inset1', 0, 0, 86, 30, '开始插入', 'Start', cls='primary'),
                button('ms_macro_btn_cancel', 94, 0, 86, 30, '完成', 'Done'),
            ], hidden=True),
            label('lbl_macro_list_hint', 16, 414, 328, 36, '选中一行后可移动、修改或在其前后插入。',
                  'Select a row to move, edit or insert around it.', cls='hint', wrap=True),
        ], title=('动作列表', 'Actions')),
    ])


# Positions of the nine buttons: (button x, y, badge x, y) and the badge on the picture.
KEY_SPOTS = [
    ((28, 116), (258, 128)),    # 0 left click
    ((28, 156), (308, 150)),    # 1 middle (wheel)
    ((490, 116), (350, 128)),   # 2 right click
    ((28, 236), (228, 196)),    # 3 forward
    ((28, 276), (228, 236)),    # 4 back
    ((490, 156), (308, 196)),   # 5 DPI
    ((490, 236), (380, 196)),   # 6
    ((490, 276), (380, 236)),   # 7
    ((490, 316), (308, 300)),   # 8
]
KEY_LABELS = [('左键', 'Left click'), ('中键', 'Middle click'), ('右键', 'Right click'), ('前进', 'Forward'),
              ('后退', 'Back'), ('DPI LOOP', 'DPI LOOP'), ('DPI增加', 'DPI up'), ('DPI降低', 'DPI down'),
              ('双击', 'Double click')]


def page_key():
    kids = [
        label('ms_key_title', 24, 16, 200, 28, '按键设置', 'Buttons', cls='title'),
        *profile_bar('ms_KEY_combo_profileSelect', 'ms_KEY_edit_maname', 'ms_Key_apply_btn',
                     'ms_Key_write_lian', 'ms_Key_Layout_cxname', 'ms_Key_edit_cxname', 'ms_Key_btn_cxname'),
        label('ms_key_picture', 220, 96, 200, 290, None, None, bkimage="file='ms/mouse.png'"),
    ]
    for n, ((bx, by), (ox, oy)) in enumerate(KEY_SPOTS):
        left = bx < 300
        kids.append(label(f'ms_key_num_{n}', bx + (0 if left else 120), by + 3, 24, 24, None, None,
                          bkimage=f"file='ms/{n}.png'"))
        kids.append(button(f'ms_key_{n}', bx + (30 if left else 0), by, 114, 30, KEY_LABELS[n][0], KEY_LABELS[n][0],
                           cls='keyslot', codetext=True))
        kids.append(label(f'ms_key_over_num_{n}', ox, oy, 24, 24, None, None, bkimage=f"file='ms/{n}.png'"))
    # Onboard records and saving.
    kids.append(label('lbl_onboard', 28, 362, 100, 24, '板载配置', 'Onboard', cls='muted'))
    for r in range(5):
        kids.append(button(f'ms_profile_{r}', 28 + r * 34, 388, 30, 28, str(r + 1), str(r + 1), cls='mini'))
    kids.append(button('ms_key_butt_keydefalut', 352, 388, 130, 28, '恢复默认按键', 'Default button'))
    kids.append(button('ms_key_butt_prosave', 490, 388, 134, 28, '保存并写入', 'Save to mouse', cls='primary'))
    # The function tabs.
    outer_opts = [('鼠标', 'Mouse'), ('键盘', 'Keyboard'), ('多媒体', 'Media'), ('宏', 'Macro'), ('DPI', 'DPI'),
                  ('其它', 'Other')]
    opts = [option(f'ms_key_function_{i + 1}', 16 + i * 70, 8, 66, 24, cn, en, group='fct_outer', cls='tab',
                   checked=(i == 0)) for i, (cn, en) in enumerate(outer_opts)]

    def sub_tab(n, texts, contents):
        sub_opts = [option(f'ms_key_function_{n}{i + 1}', i * 64, 0, 60, 22, cn, en, group=f'fct_{n}', cls='chip',
                           checked=(i == 0)) for i, (cn, en) in enumerate(texts)]
        pages = [panel(f'ms_fct_page_{n}{i + 1}', 0, 0, 400, 32, c) for i, c in enumerate(contents)]
        return panel(f'ms_fct_sub_{n}', 0, 0, 592, 64, [
            *sub_opts,
            W('QStackedWidget', f'ms_tab_function_switch_{n}', 0, 28, 592, 34, children=pages, current=0),
        ])

    def hint(name, cn, en):
        return [label(name, 0, 4, 400, 24, cn, en, cls='hint')]

    fct_pages = [
        sub_tab(1, [('连击', 'Repeat'), ('间隔', 'Interval'), ('左摆', 'Tilt L'), ('右摆', 'Tilt R'),
                    ('双击', 'Double'), ('关闭', 'Off')],
                [[label('lbl_fct_11', 0, 4, 60, 24, '次数', 'Count', cls='muted'),
                  edit('ms_key_fct_edit_11', 64, 2, 60, 26, align='center', maxlength=3)],
                 [label('lbl_fct_12', 0, 4, 60, 24, '间隔', 'Interval', cls='muted'),
                  edit('ms_key_fct_edit_12', 64, 2, 60, 26, align='center', maxlength=3)],
                 [], [], [], []]),
        sub_tab(2, [('单键', 'Key'), ('组合', 'Combo'), ('Ctrl', 'Ctrl'), ('Shift', 'Shift'), ('数值', 'Value'),
                    ('其它', 'Other')],
                [[label('lbl_fct_21', 0, 4, 60, 24, '按键', 'Key', cls='muted'),
                  edit('ms_key_fct_edit_21', 64, 2, 120, 26, readonly=True, align='center')],
                 [], [], [],
                 [label('lbl_fct_25', 0, 4, 60, 24, '数值', 'Value', cls='muted'),
                  edit('ms_key_fct_edit_25', 64, 2, 60, 26, align='center', maxlength=3)],
                 []]),
        sub_tab(3, [('播放', 'Play'), ('暂停', 'Pause'), ('音量+', 'Vol +'), ('音量-', 'Vol -'), ('静音', 'Mute'),
                    ('停止', 'Stop')], [[], [], [], [], [], []]),
        panel('ms_fct_macro', 0, 0, 592, 64, hint('lbl_fct_macro', '在按键菜单中选择“宏”即可为按键指定宏。',
                                                  'Choose "Macro" in the button menu to assign a macro.')),
        panel('ms_fct_dpi', 0, 0, 592, 64, hint('lbl_fct_dpi', '在按键菜单中选择 DPI 增加或降低。',
                                                'Choose DPI up or down in the button menu.')),
        panel('ms_fct_other', 0, 0, 592, 64, hint('lbl_fct_other', '点击上方按键打开功能菜单。',
                                                  'Click a button above to open its function menu.')),
    ]
    kids.append(W('QFrame', 'ms_tab_function', 16, 424, 608, 96, styleClass='card', children=[
        *opts,
        W('QStackedWidget', 'ms_tab_function_switch', 16, 34, 440, 62, children=fct_pages, current=0),
        button('ms_key_butt_keysave', 470, 36, 122, 26, '保存按键', 'Store button', cls='primary'),
    ]))
    return page('page_key', kids)


MAIN_EFFECTS = [('常亮', 'Static'), ('呼吸', 'Breathing'), ('光谱', 'Spectrum'), ('波浪', 'Wave'),
                ('熄灭', 'Dark'), ('闪烁', 'Flash'), ('双色', 'Two colours'), ('流星', 'Meteor'),
                ('触发', 'Reactive'), ('心跳', 'Heartbeat'), ('星光', 'Starlight'), ('自定义', 'Custom')]
WHEEL_EFFECTS = [('光谱', 'Spectrum'), ('呼吸', 'Breathing'), ('常亮', 'Static'), ('熄灭', 'Dark')]


def page_deng():
    return page('page_deng', [
        label('ms_deng_title', 24, 16, 200, 28, '灯光效果', 'Lighting', cls='title'),
        check('ms_led_off', 500, 18, 124, 24, '关闭所有灯光', 'All lights off'),
        card('deng_effect_card', 16, 56, 608, 150, [
            option('ms_Deng_All', 16, 40, 80, 28, '全部', 'All', group='zone', checked=True),
            option('ms_Deng_bar', 100, 40, 80, 28, '灯条', 'Light bar', group='zone'),
            option('ms_Deng_Wheel', 184, 40, 80, 28, '滚轮', 'Wheel', group='zone'),
            label('ms_deng_la0', 276, 46, 8, 16, None, None, bkcolor='0xFF0199CB'),
            label('ms_deng_la1', 288, 42, 120, 24, 'R240 灯条', 'R240 light bar', cls='muted'),
            label('lbl_effect', 16, 82, 60, 28, '效果', 'Effect', cls='muted'),
            combo('ms_dengxiao_combo_modeSelect', 76, 80, 188, 30, items=MAIN_EFFECTS),
            combo('ms_dengxiao_wheel_combo_modeSelect', 76, 80, 188, 30, items=WHEEL_EFFECTS, hidden=True),
            combo('ms_deng_combo_modeSelect', 76, 80, 188, 30, items=MAIN_EFFECTS, hidden=True),
            panel('ms_deng_Light_layout', 290, 76, 300, 30, [
                label('lbl_brightness', 0, 0, 76, 30, '亮度', 'Brightness', cls='muted'),
                slider('ms_deng_light_slider', 80, 4, 210, 22, 0, 100, page=50, value=100),
            ]),
            panel('ms_deng_speed_layout', 290, 108, 300, 30, [
                label('lbl_speed', 0, 0, 76, 30, '速度', 'Speed', cls='muted'),
                slider('ms_deng_speed_slider', 80, 4, 210, 22, 0, 100, page=50, value=50),
            ]),
            panel('ms_deng_fx_layout', 16, 114, 240, 32, [
                button('ms_deng_butt_fclock', 0, 0, 110, 30, '逆时针', '逆时针', cls='plain',
                       bkimage="file='ms/ssz1.png'", codetext=True),
                button('ms_deng_butt_kclock', 118, 0, 110, 30, '顺时针', '顺时针', cls='plain',
                       bkimage="file='ms/nsz.png'", codetext=True),
            ], hidden=True),
        ], title=('灯效', 'Effect')),
        W('QFrame', 'ms_deng_color_layout', 16, 216, 608, 138, styleClass='card', children=[
            label('deng_color_title', 16, 10, 200, 20, '颜色', 'Colour', cls='cardTitle'),
            W('QPushButton', 'ms_Deng_colordp_btn', 16, 40, 44, 44, styleClass='swatchBig', bkcolor='0xFF0199CB'),
            label('lbl_deng_r', 72, 40, 14, 26, 'R', 'R', cls='muted'),
            edit('ms_Deng_edit_R', 86, 40, 44, 26, align='center', maxlength=3),
            label('lbl_deng_g', 138, 40, 14, 26, 'G', 'G', cls='muted'),
            edit('ms_Deng_edit_G', 152, 40, 44, 26, align='center', maxlength=3),
            label('lbl_deng_b', 204, 40, 14, 26, 'B', 'B', cls='muted'),
            edit('ms_Deng_edit_B', 218, 40, 44, 26, align='center', maxlength=3),
            *presets('ms_Deng_color_btn_', 16, 98),
            panel('ms_deng_mixcolor', 290, 10, 160, 24, [
                check('ms_Deng_7color_check', 0, 0, 160, 24, '七彩循环', 'Colour cycle'),
            ]),
            W('CColorPaletteUI', 'ms_deng_Color_Pallet', 456, 14, 136, 110),
        ]),
        W('QFrame', 'ms_deng_Custom_layout', 16, 364, 608, 112, styleClass='card', children=[
            label('deng_custom_title', 16, 10, 300, 20, '自定义调色板', 'Custom palette', cls='cardTitle'),
            W('CMultiColorSelectionUI', 'Pallet123', 16, 36, 440, 62),
            button('ms_key_butt_add', 468, 36, 30, 28, '+', '+'),
            button('ms_key_butt_del', 502, 36, 30, 28, '−', '−'),
            button('ms_deng_import', 468, 70, 64, 28, '导入', 'Import'),
            button('ms_deng_keep', 536, 70, 56, 28, '导出', 'Export'),
            button('ms_deng_butt_prosave', 536, 36, 56, 28, '应用', 'Apply', cls='primary'),
        ]),
        button('ms_deng_reset', 474, 486, 150, 30, '恢复默认灯光', 'Reset lighting', cls='danger'),
    ])


def page_hong():
    return page('page_hong', [
        label('ms_hong_title', 24, 16, 300, 28, '宏列表', 'Macro list', cls='title'),
        card('hong_card', 16, 56, 608, 462, [
            W('QListWidget', 'ms_MacroName_list', 16, 40, 300, 360),
            button('ms_macro_btn_name_sub', 16, 412, 140, 30, '删除所选宏', 'Delete macro', cls='danger'),
            button('ms_macro_btn_redio', 330, 40, 120, 30, '重复播放', 'Repeat'),
            check('ms_macro_check_time', 330, 84, 200, 24, '统一动作延时', 'Same delay for all'),
            label('lbl_action_delay', 330, 118, 120, 24, '动作延时', 'Action delay', cls='muted'),
            edit('ms__macro_edit_ActionDelay', 330, 142, 80, 28, align='center', maxlength=6),
            label('lbl_action_delay_ms', 414, 142, 30, 28, 'ms', 'ms', cls='muted'),
            label('lbl_hong_hint', 330, 190, 262, 80, '删除宏时会检查按键设置，被引用的宏需要确认后才会删除。',
                  'Deleting a macro checks the button settings; a macro in use is deleted only after you confirm.',
                  cls='hint', wrap=True),
        ], title=('已保存的宏', 'Saved macros')),
    ])


def page_regulat():
    return page('page_regulat', [
        label('ms_reg_title', 24, 16, 200, 28, '传感器', 'Sensor', cls='title'),
        *profile_bar('ms_REG_combo_profileSelect', 'ms_REG_edit_maname', 'ms_reg_apply_btn',
                     'ms_REG_write_lian', 'ms_REG_Layout_cxname', 'ms_REG_edit_cxname', 'ms_REG_btn_cxname'),
        card('reg_lift_card', 16, 94, 608, 150, [
            label('lbl_liftoff', 16, 40, 300, 24, '静默高度（离开桌面后停止追踪的高度）',
                  'Lift-off distance (height at which tracking stops)', cls='muted'),
            option('height2mm', 16, 70, 90, 30, '2 mm', '2 mm', group='liftoff', checked=True),
            option('height3mm', 112, 70, 90, 30, '3 mm', '3 mm', group='liftoff'),
            label('lbl_height_fine', 240, 74, 90, 24, '微调', 'Fine tune', cls='muted'),
            slider('ms_sensor_height_slider', 320, 76, 270, 22, 0, 10, value=5),
            label('lbl_liftoff_hint', 16, 112, 576, 28, '在打磨或玻璃表面上建议使用 2 mm。',
                  '2 mm is recommended on polished or glass surfaces.', cls='hint'),
        ], title=('静默高度', 'Lift-off')),
        card('reg_calib_card', 16, 254, 608, 150, [
            label('lbl_calib', 16, 40, 420, 60,
                  '表面校准让传感器适应当前鼠标垫。开始后请按提示移动鼠标，完成后会自动返回。',
                  'Surface calibration adapts the sensor to your mouse pad. Move the mouse as shown; '
                  'the page returns by itself when done.', cls='hint', wrap=True),
            option('ms_reg_display', 16, 104, 160, 32, '开始校准', 'Start calibration', group='ms_nav', cls='cta'),
        ], title=('表面校准', 'Surface calibration')),
    ])


def page_statis():
    return page('page_statis', [
        label('ms_statis_title', 24, 16, 200, 28, '统计', 'Statistics', cls='title'),
        card('statis_card', 16, 56, 608, 462, [
            W('CCircleProgressUI', 'ms_statis_progress', 32, 56, 160, 160, value=0),
            label('lbl_statis_caption', 32, 226, 160, 24, '统计', 'Statistics', cls='muted',
                  align='center'),
            label('lbl_statis_hint', 230, 70, 350, 120,
                  '暂无统计数据。', 'No statistics yet.',
                  cls='hint', wrap=True),
        ], title=('概览', 'Overview')),
    ])


def page_regdisplay():
    return page('page_regdisplay', [
        label('ms_regd_title', 24, 16, 200, 28, '表面校准', 'Surface calibration', cls='title'),
        card('regd_card', 16, 56, 608, 462, [
            W('CCircleProgressUI', 'regdisplay_progress', 224, 70, 160, 160, value=0),
            label('regdisplay_tishi1', 24, 260, 560, 36, '正在校准...', '正在校准...', cls='bigStatus',
                  align='center', codetext=True),
            label('regdisplay_tishi2', 24, 300, 560, 60, '以曲线方式移动鼠标，使移动范围覆盖整个鼠标垫',
                  '以曲线方式移动鼠标，使移动范围覆盖整个鼠标垫', cls='hint', align='center', wrap=True,
                  codetext=True),
        ]),
    ])


def empty_page(name, cn, en, w=640, h=528):
    return page(name, [label(name + '_text', 0, h // 2 - 20, w, 40, cn, en, cls='hint', align='center')], w, h)


# ---------------------------------------------------------------------------------------
# Windows

def caption_buttons(width, with_extra=True, hide=('maxbtn', 'restorebtn')):
    specs = [('closebtn', 'btn_close'), ('restorebtn', 'btn_restore'), ('maxbtn', 'btn_max'), ('minbtn', 'btn_min')]
    if with_extra:
        specs += [('menubtn', 'btn_menu'), ('skinbtn', 'btn_skin')]
    out, x = [], width - 8 - 28
    for name, img in specs:
        hidden = name in hide
        out.append(W('QPushButton', name, x, 8, 28, 28, styleClass='caption', normalimage=f"file='ms/{img}.png'",
                     hotimage=f"file='ms/{img}_hot.png'", pushedimage=f"file='ms/{img}_hot.png'",
                     tip={'closebtn': '关闭', 'minbtn': '最小化', 'maxbtn': '最大化', 'restorebtn': '还原',
                          'menubtn': '固件升级', 'skinbtn': '背景'}[name], hidden=hidden))
        if not hidden:
            x -= 32
    return out


NAV = [('ms_deng_Op_tab', 'DPI', 'DPI'), ('ms_macro_Op_tab', '宏编辑', 'Macros'), ('ms_rich_Op_tab', '按键', 'Buttons'),
       ('ms_dengxiao_tb', '灯光', 'Lighting'), ('ms_ma_Op_tab', '宏列表', 'Macro list'),
       ('ms_regulat_Op_tab', '传感器', 'Sensor'), ('ms_statis_Op_tab', '统计', 'Statistics')]


def main_layout():
    nav = []
    y = 16
    for i, (name, cn, en) in enumerate(NAV):
        nav.append(option(name, 12, y, 136, 38, cn, en, group='ms_nav', cls='nav', checked=(i == 0)))
        y += 42
        if name == 'ms_regulat_Op_tab':
            nav.append(check('ms_linereg_display', 20, y + 4, 128, 26, '直线修正', 'Angle snapping'))
            y += 34
    nav += [
        label('lbl_profiles', 16, 420, 128, 20, '配置文件', 'Profiles', cls='muted'),
        button('ms_Deng_add_btn', 12, 444, 42, 30, '新建', 'New', cls='mini', tip='新建配置文件'),
        button('ms_Deng_delete_btn', 58, 444, 42, 30, '删除', 'Del', cls='mini', tip='删除配置文件'),
        button('ms_Deng_copy_btn', 104, 444, 44, 30, '更多', 'More', cls='mini', tip='复制、导入、导出'),
    ]
    ms_pages = [W(cls, name, 0, 0, 640, 528) for cls, name in
                [('MS_DPI_UI', 'ms_page_dpi'), ('MS_Macro_UI', 'ms_page_macro'), ('MS_Key_UI', 'ms_page_key'),
                 ('MS_Deng_UI', 'ms_page_deng'), ('MS_MA_UI', 'ms_page_hong'), ('MS_Regulat_UI', 'ms_page_regulat'),
                 ('MS_Statis_UI', 'ms_page_statis'), ('MS_RegulatDisplay_UI', 'ms_page_regdisplay')]]
    family_pages = [
        W('QWidget', 'kb_page', 0, 0, 800, 528, children=[W('kb_Key_UI', 'kb_key_page', 80, 0, 640, 528)]),
        W('QWidget', 'ms_page', 0, 0, 800, 528, children=[
            W('QFrame', 'tab_ms_header', 0, 0, 160, 528, styleClass='sidebar', children=nav),
            W('QStackedWidget', 'ms_tab_switch', 160, 0, 640, 528, children=ms_pages, current=0),
        ]),
        W('QWidget', 'mp_page', 0, 0, 800, 528, children=[W('MP_deng_UI', 'mp_deng_page', 80, 0, 640, 528)]),
        empty_page('ani_page', '暂不支持此类设备', 'This device family is not supported', 800, 528),
        empty_page('split_page', '暂不支持此类设备', 'This device family is not supported', 800, 528),
    ]
    families = [('kb_tab', '键盘', 'Keyboard'), ('ms_tab', '鼠标', 'Mouse'), ('mp_tab', '鼠标垫', 'Pad'),
                ('ani_tab', '动画', 'Animation'), ('split_tab', '分体', 'Split')]
    header = [option(name, 0 if name == 'ms_tab' else 0, 0, 64, 26, cn, en, group='family', cls='family',
                     checked=(name == 'ms_tab'), hidden=(name != 'ms_tab')) for name, cn, en in families]
    caption = W('QWidget', 'caption', 0, 0, 800, 44, styleClass='captionBar', children=[
        label('msloge', 14, 4, 130, 40, None, None, bkimage="file='210.png'"),
        label('titletext', 150, 13, 80, 20, 'mouse', 'mouse', cls='tag'),
        W('QWidget', 'tab_usb_header', 240, 9, 64, 26, children=header),
        label('hometext', 470, 13, 120, 20, '', '', cls='link', align='right'),
        *caption_buttons(800),
    ])
    root = W('QWidget', 'root', 0, 0, 800, 572, styleClass='root', children=[
        caption,
        W('QStackedWidget', 'tab_switch', 0, 44, 800, 528, children=family_pages, current=1),
    ])
    # hometext and titletext are answered by the program's text query, not the language files.
    return root


def msg_layout():
    return W('QWidget', 'msgroot', 0, 0, 380, 200, styleClass='dialog', children=[
        W('QWidget', 'caption', 0, 0, 380, 44, styleClass='captionBar', children=[
            label('msg_title', 16, 12, 200, 20, '提示', 'Notice', cls='dialogTitle'),
            *caption_buttons(380, with_extra=False, hide=('maxbtn', 'restorebtn', 'minbtn')),
        ]),
        label('MessageText', 24, 56, 332, 80, '', '', cls='message', wrap=True, align='center'),
        button('confirm_btn', 176, 148, 90, 32, '确定', 'OK', cls='primary'),
        button('cancel_btn', 274, 148, 90, 32, '取消', 'Cancel'),
    ])


def popup_common(title_cn, title_en, body):
    return W('QWidget', 'popuproot', 0, 0, 380, 220, styleClass='dialog', children=[
        W('QWidget', 'caption', 0, 0, 380, 44, styleClass='captionBar', children=[
            label('popup_title_' + body[0].name, 16, 12, 240, 20, title_cn, title_en, cls='dialogTitle'),
            *caption_buttons(380, with_extra=False, hide=('restorebtn', 'maxbtn', 'minbtn')),
            W('QPushButton', 'menubtn', 0, 0, 0, 0, hidden=True),
        ]),
        *body,
    ])


def single_key_layout():
    return popup_common('单键设置', 'Single key', [
        label('lbl_single_hint', 24, 56, 332, 24, '请按下键盘上的一个按键', 'Press one key on the keyboard',
              cls='hint', align='center'),
        edit('ms_key_edit', 90, 90, 200, 36, readonly=True, align='center'),
        button('ms_single_save_btn', 176, 170, 90, 32, '保存', 'Save', cls='primary'),
        button('ms_single_cancel_btn', 274, 170, 90, 32, '取消', 'Cancel'),
    ])


def popup_layout():
    return popup_common('选择宏', 'Choose a macro', [
        label('lbl_popup_hint', 24, 56, 332, 24, '为按键选择一个宏', 'Choose a macro for the button',
              cls='hint', align='center'),
        combo('ms_macro_combo', 90, 90, 200, 32),
        button('ms_macro_select_save_btn', 176, 170, 90, 32, '保存', 'Save', cls='primary'),
        button('ms_macro_select_cancel_btn', 274, 170, 90, 32, '取消', 'Cancel'),
    ])


def skin_frame_layout():
    images = [W('QPushButton', 'skin_image_btn', 16 + i * 66, 8, 60, 44, styleClass='thumb',
                bkimage=f"file='bg{i + 1}.png'", userdata=f"file='bg{i + 1}.png'") for i in range(4)]
    colours = ['FF16181D', 'FF0E2230', 'FF22162A', 'FF182418', 'FF2A1A16', 'FF1F2733', 'FF262626', 'FF0B0C0F']
    swatches = [W('QPushButton', 'skin_color_btn', 16 + (i % 4) * 66, 8 + (i // 4) * 28, 60, 22,
                  styleClass='swatch', bkcolor='0x' + c) for i, c in enumerate(colours)]
    return W('QWidget', 'skinroot', 0, 0, 296, 120, styleClass='dialog', children=[
        option('skin_image', 16, 10, 70, 24, '图片', 'Images', group='skin', cls='chip', checked=True),
        option('skin_color', 90, 10, 70, 24, '颜色', 'Colours', group='skin', cls='chip'),
        W('QStackedWidget', 'skin_tab', 0, 42, 296, 70, current=0, children=[
            W('QWidget', 'skin_page_image', children=images),
            W('QWidget', 'skin_page_color', children=swatches),
        ]),
    ])


# ---------------------------------------------------------------------------------------
# Menus

MENUS = {
    'menu.xml': [('lan', '中文 / English', '中文 / English'), None, ('exit', '退出', 'Exit')],
    'fuction.xml': [('Menu_Copy', '复制配置文件', 'Copy profile'), ('Menu_Import', '导入配置文件', 'Import profile…'),
                    ('Menu_Export', '导出配置文件', 'Export profile…')],
    'choose_program.xml': [('Menu_ProgramFile', '选择程序文件…', 'Program file…'),
                           ('Menu_RunningPrograms', '正在运行的程序…', 'Running programs…')],
    'macro_fuction.xml': [('Menu_CopyMarco', '复制宏', 'Copy macro'), ('Menu_MacroImport', '导入宏', 'Import macro…'),
                          ('Menu_MacroExport', '导出宏', 'Export macro…')],
    'mskeySet.xml': [('msmenuleftkey', '左键', 'Left click'), ('msmenurightkey', '右键', 'Right click'),
                     ('msmenumiddlekey', '中键', 'Middle click'), ('msmenutwoleftkey', '双击', 'Double click'),
                     ('msmenu4tkey', '前进', 'Forward'), ('msmenu5key', '后退', 'Back'), None,
                     ('msmenuscrollupkey', '滚轮向上', 'Scroll up'), ('msmenuscrolldownkey', '滚轮向下', 'Scroll down'),
                     ('msmenuDPIupkey', 'DPI增加', 'DPI up'), ('msmenuDPIdownkey', 'DPI降低', 'DPI down'), None,
                     ('msmenusinglekey', '键盘按键…', 'Keyboard key…'), ('msmenumacrokey', '宏…', 'Macro…'), None,
                     ('msmenuoffkey', '按钮关闭', 'Off')],
}


def write_menus(folder):
    for filename, items in MENUS.items():
        lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<Menu>']
        for it in items:
            if it is None:
                lines.append('  <Separator/>')
                continue
            name, cn, en = it
            lines.append(f'  <MenuElement name="{name}" text={quoteattr(cn)} userdata=""/>')
            tr(name, cn, en)
        lines.append('</Menu>')
        with open(os.path.join(folder, filename), 'w', encoding='utf-8') as f:
            f.write('\n'.join(lines) + '\n')


def write_languages(folder):
    for filename, lang, idx in (('lan_cn.xml', 'cn_zh', 0), ('lan_en.xml', 'en', 1)):
        lines = ['<?xml version="1.0" encoding="UTF-8"?>', f'<Language name="{lang}">']
        for ident in ORDER:
            if ident in ('titletext', 'hometext'):
                continue  # answered by the program
            lines.append(f'  <Text id={quoteattr(ident)} value={quoteattr(LANG[ident][idx])}/>')
        lines.append('</Language>')
        with open(os.path.join(folder, filename), 'w', encoding='utf-8') as f:
            f.write('\n'.join(lines) + '\n')


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else 'skin'
    os.makedirs(folder, exist_ok=True)
    write_ui(folder, 'main.xml', main_layout())
    write_ui(folder, 'Mouse_DPI.xml', page_dpi())
    write_ui(folder, 'Mouse_macro.xml', page_macro())
    write_ui(folder, 'Mouse_key.xml', page_key())
    write_ui(folder, 'Mouse_deng.xml', page_deng())
    write_ui(folder, 'Mouse_hong.xml', page_hong())
    write_ui(folder, 'Mouse_regulat.xml', page_regulat())
    write_ui(folder, 'Mouse_statis.xml', page_statis())
    write_ui(folder, 'Mouse_regdisplay.xml', page_regdisplay())
    for fname, name in (('keyboard_key.xml', 'kb_key'), ('keyboard_deng.xml', 'kb_deng'),
                        ('keyboard_macro.xml', 'kb_macro'), ('MousePad_deng.xml', 'mp_deng')):
        write_ui(folder, fname, empty_page(name, '暂不支持此类设备', 'This device family is not supported'))
    write_ui(folder, 'msgbox.xml', msg_layout())
    write_ui(folder, 'MsSingleKey.xml', single_key_layout())
    write_ui(folder, 'popup.xml', popup_layout())
    write_ui(folder, 'skin.xml', skin_frame_layout())
    write_menus(folder)
    with open(os.path.join(folder, 'res.xml'), 'w', encoding='utf-8') as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<Resource>\n'
                '  <Layout id="XML_MAIN" file="main.xml"/>\n  <Layout id="XML_MSG" file="msgbox.xml"/>\n'
                '</Resource>\n')
    write_languages(folder)
    print(f'layouts, menus and {len(ORDER)} texts written to {folder}')


if __name__ == '__main__':
    main()
