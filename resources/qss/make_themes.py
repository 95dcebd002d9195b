#!/usr/bin/env python3
"""Writes the seventeen theme style sheets of the kit from one template.

Each sheet starts with its palette colour at character 20 and its text colour at
character 49, and carries the eight colour keys the kit reads back.
    python3 resources/qss/make_themes.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

# name: text, panel, border, normal start, normal end, dark start, dark end, high
THEMES = {
    'silvery':    ('#000000', '#F5F5F5', '#B2B6B9', '#E1E4E6', '#CCD3D9', '#F2F3F4', '#E7E9EB', '#00BB9E'),
    'blue':       ('#324C6C', '#CFDDEE', '#7F9AB8', '#A3C0E3', '#7FA4D0', '#EAF1FA', '#C5D7EC', '#00BB9E'),
    'lightblue':  ('#386487', '#EAF7FF', '#C0DCF2', '#DEF0FE', '#C0DEF6', '#F2F9FF', '#DAEFFF', '#00BB9E'),
    'darkblue':   ('#DCDCDC', '#1D4E77', '#3E6A92', '#1F5F92', '#17486F', '#2C7AB8', '#235E8E', '#00BB9E'),
    'gray':       ('#000000', '#F0F0F0', '#A9A9A9', '#E4E4E4', '#A2A2A2', '#F5F5F5', '#C8C8C8', '#00BB9E'),
    'lightgray':  ('#6F6F6F', '#F0F0F0', '#D4D0C8', '#EEEEEE', '#E5E5E5', '#FAFAFA', '#F0F0F0', '#00BB9E'),
    'darkgray':   ('#5D5C6C', '#EBECF0', '#A5A5A5', '#DADADA', '#C8C8C8', '#F2F2F2', '#DEDEDE', '#00BB9E'),
    'black':      ('#F0F0F0', '#2D2D2D', '#4A4A4A', '#4D4D4D', '#292929', '#636363', '#575757', '#00BB9E'),
    'lightblack': ('#E8E8E8', '#3A3A3A', '#565656', '#5F5F5F', '#484848', '#6B6B6B', '#5A5A5A', '#00BB9E'),
    'darkblack':  ('#D7E2E9', '#1F2026', '#111214', '#242629', '#141518', '#3A3E44', '#2B2E33', '#00BB9E'),
    'psblack':    ('#DCDCDC', '#444444', '#242424', '#484848', '#383838', '#646464', '#525252', '#00BB9E'),
    'flatblack':  ('#BEC0C2', '#2E2F30', '#67696B', '#404244', '#404244', '#262829', '#262829', '#00BB9E'),
    'flatwhite':  ('#57595B', '#FFFFFF', '#B6B6B6', '#E4E4E4', '#E4E4E4', '#F6F6F6', '#F6F6F6', '#00BB9E'),
    'flatblue':   ('#FFFFFF', '#0F2F4E', '#1B5183', '#1A4D7C', '#1A4D7C', '#0C2640', '#0C2640', '#FFAA00'),
    'purple':     ('#DAC4ED', '#372542', '#5A3D6E', '#513B60', '#3E2D4A', '#6F4F85', '#5B406D', '#00BB9E'),
    'blackblue':  ('#C8D6E5', '#131A22', '#2B3A4B', '#1F2B38', '#17212B', '#2E4053', '#253444', '#2BA9E1'),
    'blackvideo': ('#E6E6E6', '#1A1A1A', '#333333', '#2A2A2A', '#1F1F1F', '#3C3C3C', '#303030', '#22A3A9'),
}

TEMPLATE = """QPalette{{background:{panel};}}*{{outline:0px;color:{text};}}
/* TextColor:{text} PanelColor:{panel} BorderColor:{border} NormalColorStart:{ns} NormalColorEnd:{ne} DarkColorStart:{ds} DarkColorEnd:{de} HighColor:{high} */

QWidget[form="true"],QLabel[frameShape="1"]{{border:1px solid {border};border-radius:0px;}}
QWidget[form="bottom"]{{background:{ne};}}
QWidget[form="bottom"] .QFrame{{border:1px solid {text};}}
QWidget[form="bottom"] QLabel,QWidget[form="title"] QLabel{{border-radius:0px;color:{text};background:none;border-style:none;}}
QWidget[form="title"],QWidget[nav="left"],QWidget[nav="top"] QAbstractButton{{border-style:none;border-radius:0px;padding:5px;color:{text};background:qlineargradient(spread:pad,x1:0,y1:0,x2:0,y2:1,stop:0 {ns},stop:1 {ne});}}
QWidget[nav="top"] QAbstractButton:hover,QWidget[nav="top"] QAbstractButton:pressed,QWidget[nav="top"] QAbstractButton:checked{{border-style:solid;border-width:0px 0px 2px 0px;padding:4px 4px 2px 4px;border-color:{high};background:qlineargradient(spread:pad,x1:0,y1:0,x2:0,y2:1,stop:0 {ds},stop:1 {de});}}
QWidget[nav="left"] QAbstractButton{{border-radius:0px;color:{text};background:none;border-style:none;}}
QWidget[nav="left"] QAbstractButton:hover{{color:#FFFFFF;background-color:{high};}}
QWidget[nav="left"] QAbstractButton:checked,QWidget[nav="left"] QAbstractButton:pressed{{color:{text};border-style:solid;border-width:0px 0px 0px 2px;padding:4px 4px 4px 2px;border-color:{high};background-color:{panel};}}

QLabel{{color:{text};}}
QLabel:disabled{{color:{border};}}

QLineEdit,QTextEdit,QPlainTextEdit,QSpinBox,QDoubleSpinBox,QComboBox,QDateEdit,QTimeEdit,QDateTimeEdit{{border:1px solid {border};border-radius:3px;padding:2px;background:none;selection-background-color:{high};selection-color:#FFFFFF;}}
QLineEdit:focus,QTextEdit:focus,QPlainTextEdit:focus,QSpinBox:focus,QDoubleSpinBox:focus,QComboBox:focus,QDateEdit:focus,QTimeEdit:focus,QDateTimeEdit:focus,QLineEdit:hover,QTextEdit:hover,QPlainTextEdit:hover,QComboBox:hover,QDateTimeEdit:hover{{border:1px solid {high};}}
QLineEdit:disabled,QTextEdit:disabled,QComboBox:disabled,QDateTimeEdit:disabled{{color:{border};}}
QLineEdit[echoMode="2"]{{lineedit-password-character:9679;}}
QComboBox::drop-down,QDateEdit::drop-down,QTimeEdit::drop-down,QDateTimeEdit::drop-down{{subcontrol-origin:padding;subcontrol-position:top right;width:18px;border-left:1px solid {border};}}
QComboBox QAbstractItemView{{border:1px solid {border};background:{panel};selection-background-color:{high};selection-color:#FFFFFF;outline:0px;}}

QPushButton,QToolButton{{border-style:none;border:1px solid {border};color:{text};padding:5px;min-height:15px;border-radius:5px;background:qlineargradient(spread:pad,x1:0,y1:0,x2:0,y2:1,stop:0 {ns},stop:1 {ne});}}
QPushButton:hover,QToolButton:hover{{background:qlineargradient(spread:pad,x1:0,y1:0,x2:0,y2:1,stop:0 {ds},stop:1 {de});}}
QPushButton:pressed,QToolButton:pressed,QToolButton:checked{{background:qlineargradient(spread:pad,x1:0,y1:0,x2:0,y2:1,stop:0 {ns},stop:1 {ne});border-color:{high};}}
QPushButton:disabled,QToolButton:disabled{{color:{border};}}
QPushButton::menu-indicator,QToolButton::menu-indicator{{image:None;}}
QWidget[form="title"] QPushButton,QWidget[form="title"] QToolButton{{border-style:none;border-radius:0px;padding:0px;background:none;}}
QWidget[form="title"] QPushButton:hover,QWidget[form="title"] QToolButton:hover{{background:qlineargradient(spread:pad,x1:0,y1:0,x2:0,y2:1,stop:0 {ds},stop:1 {de});}}
QWidget[form="title"] QPushButton#btnMenu_Close:hover{{color:#FFFFFF;background-color:rgb(238,0,0);}}

QCheckBox,QRadioButton{{spacing:2px;color:{text};}}
QCheckBox::indicator,QRadioButton::indicator,QGroupBox::indicator{{width:13px;height:13px;border:1px solid {border};background:{panel};}}
QRadioButton::indicator{{border-radius:7px;}}
QCheckBox::indicator:checked,QGroupBox::indicator:checked{{background:{high};border-color:{high};}}
QRadioButton::indicator:checked{{background:qradialgradient(spread:pad,cx:0.5,cy:0.5,radius:0.5,fx:0.5,fy:0.5,stop:0 {high},stop:0.5 {high},stop:0.6 {panel});border-color:{high};}}
QCheckBox::indicator:disabled,QRadioButton::indicator:disabled{{border-color:{ne};}}

QGroupBox{{border:1px solid {border};border-radius:5px;margin-top:9px;}}
QGroupBox::title{{subcontrol-origin:margin;position:relative;left:10px;}}
QFrame[frameShape="4"],QFrame[frameShape="5"]{{border:none;background:{border};max-height:1px;}}

QTabWidget::pane{{border:1px solid {border};}}
QTabBar::tab{{border:1px solid {border};color:{text};margin:0px;background:qlineargradient(spread:pad,x1:0,y1:0,x2:0,y2:1,stop:0 {ns},stop:1 {ne});}}
QTabBar::tab:selected,QTabBar::tab:hover{{border-style:solid;border-color:{high};background:{panel};}}
QTabBar::tab:top,QTabBar::tab:bottom{{padding:3px 8px 3px 8px;}}
QTabBar::tab:left,QTabBar::tab:right{{padding:8px 3px 8px 3px;}}
QTabBar::tab:top:selected,QTabBar::tab:top:hover{{border-width:2px 0px 0px 0px;}}
QTabBar::tab:bottom:selected,QTabBar::tab:bottom:hover{{border-width:0px 0px 2px 0px;}}

QSlider::groove:horizontal,QSlider::groove:vertical{{background:{ne};border-radius:3px;}}
QSlider::groove:horizontal{{height:6px;}}
QSlider::groove:vertical{{width:6px;}}
QSlider::handle:horizontal,QSlider::handle:vertical{{background:{high};border:1px solid {border};border-radius:6px;width:12px;height:12px;margin:-4px;}}
QSlider::sub-page:horizontal,QSlider::add-page:vertical{{background:{high};border-radius:3px;}}

QProgressBar{{border:1px solid {border};border-radius:5px;background:{ne};text-align:center;color:{text};}}
QProgressBar::chunk{{border-radius:5px;background:qlineargradient(spread:pad,x1:0,y1:0,x2:1,y2:0,stop:0 {de},stop:1 {high});}}

QScrollBar:horizontal{{background:{panel};padding:0px;border-radius:6px;max-height:12px;}}
QScrollBar:vertical{{background:{panel};padding:0px;border-radius:6px;max-width:12px;}}
QScrollBar::handle:horizontal{{background:{ns};min-width:50px;border-radius:6px;}}
QScrollBar::handle:vertical{{background:{ns};min-height:50px;border-radius:6px;}}
QScrollBar::handle:horizontal:hover,QScrollBar::handle:vertical:hover{{background:{high};}}
QScrollBar::add-page,QScrollBar::sub-page,QScrollBar::add-line,QScrollBar::sub-line{{background:none;border:none;width:0px;height:0px;}}

QMenu{{color:{text};background:{panel};border:1px solid {border};}}
QMenu::item{{padding:3px 20px 3px 20px;}}
QMenu::item:selected{{color:#FFFFFF;background:{high};}}
QMenu::separator{{height:1px;background:{border};}}
QToolTip{{border:0px solid {text};padding:1px;color:{text};background:{panel};}}

QTableView,QTreeView,QListView{{border:1px solid {border};selection-background-color:{high};selection-color:#FFFFFF;alternate-background-color:{ds};gridline-color:{border};}}
QHeaderView::section{{padding:3px;margin:0px;color:{text};border:1px solid {border};border-left-width:0px;border-top-width:0px;background:qlineargradient(spread:pad,x1:0,y1:0,x2:0,y2:1,stop:0 {ns},stop:1 {ne});}}

QCalendarWidget QWidget#qt_calendar_navigationbar{{background:{ne};}}
QCalendarWidget QToolButton{{border-style:none;color:{text};background:none;padding:2px;}}
QCalendarWidget QAbstractItemView{{color:{text};background:{panel};selection-background-color:{high};selection-color:#FFFFFF;}}
QCalendarWidget QAbstractItemView:disabled{{color:{border};}}
"""


def main():
    for name, (text, panel, border, ns, ne, ds, de, high) in THEMES.items():
        qss = TEMPLATE.format(text=text, panel=panel, border=border, ns=ns, ne=ne, ds=ds, de=de, high=high)
        assert qss[20:27] == panel and qss[49:56] == text, name
        with open(os.path.join(HERE, name + '.css'), 'w', encoding='ascii') as f:
            f.write(qss)


if __name__ == '__main__':
    main()
