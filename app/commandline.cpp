#include "commandline.h"

#include "startup.h"

#include <QCoreApplication>

#include <cstdio>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
};

// Qt reads these itself from the same arguments.
const QStringList qtOptionsWithValue = {"-platform",
                                        "-platformpluginpath",
                                        "-platformtheme",
                                        "-plugin",
                                        "-qwindowgeometry",
                                        "-qwindowtitle",
                                        "-qwindowicon",
                                        "-display",
                                        "-geometry",
                                        "-style",
                                        "-stylesheet",
                                        "-session",
                                        "-name",
                                        "-title"};
const QStringList qtFlags = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};
const QStringList ownOptions = {"--port",     "--baud",     "--data-dir", "--monitor",
                                "--parity",   "--stop",     "--pcap",     "--scan",
                                "--ids",      "--bauds",    "--parities", "--stops",
                                "--function", "--register", "--simulate", "--map"};
const QStringList monitorOptions = {"--parity", "--stop", "--pcap"};
const QStringList scanOptions = {"--ids",   "--bauds",    "--parities",
                                 "--stops", "--function", "--register"};

// A decimal number within low..high; false for anything else.
bool numberIn(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok && *value >= low && *value <= high;
}

// A comma-separated list of `allowed` values; empty for anything else.
QStringList listOf(const QString &text, const QStringList &allowed)
{
    QStringList items = text.split(QLatin1Char(','));
    for (const QString &item : items) {
        if (!allowed.contains(item)) {
            return {};
        }
    }
    return items;
}

// Reads one of --scan's options into `line`; the error when its value is wrong.
QString takeScanOption(const QString &name, const QString &value, const QStringList &baudRates,
                       CommandLine *line)
{
    const QString wrong = Texts::tr("%1 的值 %2 不可用").arg(name, value);
    if (name == QLatin1String("--ids")) {
        const QStringList ends = value.split(QLatin1Char('-'));
        if (ends.size() > 2 || !numberIn(ends.first(), 1, 247, &line->scanFrom)
            || !numberIn(ends.last(), line->scanFrom, 247, &line->scanTo)) {
            return Texts::tr("--ids 应为 1-247 之内的地址范围, 如 1-32");
        }
    } else if (name == QLatin1String("--bauds")) {
        line->scanBauds.clear();
        for (const QString &baud : listOf(value, baudRates)) {
            line->scanBauds << baud.toInt();
        }
        if (line->scanBauds.isEmpty()) {
            return wrong;
        }
    } else if (name == QLatin1String("--parities")) {
        const QStringList parities = listOf(value.toUpper(), {"N", "E", "O"});
        line->scanParities = parities.join(QString());
        if (parities.isEmpty()) {
            return wrong;
        }
    } else if (name == QLatin1String("--stops")) {
        line->scanStops.clear();
        for (const QString &stop : listOf(value, {"1", "2"})) {
            line->scanStops << stop.toInt();
        }
        if (line->scanStops.isEmpty()) {
            return wrong;
        }
    } else if (name == QLatin1String("--function")) {
        if (!numberIn(value, 1, 4, &line->scanFunction)) {
            return Texts::tr("--function 应为 1-4");
        }
    } else if (!numberIn(value, 0, 65535, &line->scanRegister)) {
        return Texts::tr("--register 应为 0-65535");
    }
    return QString();
}

// What came before an answer or a refusal does not count.
CommandLine only(CommandLine::Action action, const QString &error = QString())
{
    CommandLine line;
    line.action = action;
    line.error = error;
    return line;
}

CommandLine refuse(const QString &error)
{
    return only(CommandLine::Refuse, error);
}
} // namespace

CommandLine parseCommandLine(const QStringList &arguments, const QStringList &baudRates)
{
    CommandLine line;
    QStringList given;     // options that only --monitor takes
    QStringList scanGiven; // and those that only --scan takes
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            return only(CommandLine::ShowHelp);
        }
        if (arg == QLatin1String("--version")) {
            return only(CommandLine::ShowVersion);
        }
        if (qtFlags.contains(arg)) {
            continue;
        }
        if (qtOptionsWithValue.contains(arg)) {
            if (++i == arguments.size()) {
                return refuse(Texts::tr("%1 缺少值").arg(arg));
            }
            continue;
        }
        // "--name value" and "--name=value" alike.
        const int equals = arg.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? arg : arg.left(equals);
        if (!ownOptions.contains(name)) {
            const bool option = arg.startsWith(QLatin1Char('-'));
            return refuse(
                (option ? Texts::tr("未知的选项 %1") : Texts::tr("多余的参数 %1")).arg(arg));
        }
        QString value;
        if (equals >= 0) {
            value = arg.mid(equals + 1);
        } else if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1String("--"))) {
            value = arguments[++i];
        }
        if (value.isEmpty()) {
            return refuse(Texts::tr("%1 缺少值").arg(name));
        }
        if (monitorOptions.contains(name)) {
            given << name;
        }
        if (scanOptions.contains(name)) {
            scanGiven << name;
            const QString error = takeScanOption(name, value, baudRates, &line);
            if (!error.isEmpty()) {
                return refuse(error);
            }
        } else if (name == QLatin1String("--simulate")) {
            line.simulatePort = value;
        } else if (name == QLatin1String("--map")) {
            line.mapPath = value;
        } else if (name == QLatin1String("--scan")) {
            line.scanPort = value;
        } else if (name == QLatin1String("--port")) {
            line.portName = value;
        } else if (name == QLatin1String("--monitor")) {
            line.monitorPort = value;
        } else if (name == QLatin1String("--pcap")) {
            line.pcapPath = value;
        } else if (name == QLatin1String("--parity")) {
            const QString upper = value.toUpper();
            if (upper != QLatin1String("N") && upper != QLatin1String("E")
                && upper != QLatin1String("O")) {
                return refuse(Texts::tr("校验位 %1 不可用, 可用: N E O").arg(value));
            }
            line.parity = upper.at(0).toLatin1();
        } else if (name == QLatin1String("--stop")) {
            if (value != QLatin1String("1") && value != QLatin1String("2")) {
                return refuse(Texts::tr("停止位 %1 不可用, 可用: 1 2").arg(value));
            }
            line.stopBits = value.toInt();
        } else if (name == QLatin1String("--data-dir")) {
            line.dataDir = value;
        } else if (baudRates.contains(value)) {
            line.baudRate = value.toInt();
        } else {
            const QString offered = baudRates.join(QLatin1Char(' '));
            return refuse(Texts::tr("波特率 %1 不可用, 可用: %2").arg(value, offered));
        }
    }
    if (!line.simulatePort.isEmpty()) {
        if (!line.portName.isEmpty() || !line.monitorPort.isEmpty() || !line.scanPort.isEmpty()) {
            return refuse(Texts::tr("--simulate 不能与 --port, --monitor 或 --scan 同时使用"));
        }
        if (given.contains(QLatin1String("--pcap"))) {
            return refuse(Texts::tr("--pcap 只用于 --monitor"));
        }
        if (!scanGiven.isEmpty()) {
            return refuse(Texts::tr("%1 只用于 --scan").arg(scanGiven.first()));
        }
        if (line.mapPath.isEmpty()) {
            return refuse(Texts::tr("--simulate 需要 --map"));
        }
        line.baudRate = line.baudRate > 0 ? line.baudRate : 9600;
        line.action = CommandLine::Simulate;
        return line;
    }
    if (!line.mapPath.isEmpty()) {
        return refuse(Texts::tr("--map 只用于 --simulate"));
    }
    if (!line.scanPort.isEmpty()) {
        if (!line.portName.isEmpty() || !line.monitorPort.isEmpty()) {
            return refuse(Texts::tr("--scan 不能与 --port 或 --monitor 同时使用"));
        }
        if (!given.isEmpty()) {
            return refuse(Texts::tr("%1 只用于 --monitor").arg(given.first()));
        }
        if (line.baudRate != 0) {
            return refuse(Texts::tr("--scan 的波特率由 --bauds 给出"));
        }
        line.action = CommandLine::Scan;
        return line;
    }
    if (!scanGiven.isEmpty()) {
        return refuse(Texts::tr("%1 只用于 --scan").arg(scanGiven.first()));
    }
    if (line.monitorPort.isEmpty()) {
        if (!given.isEmpty()) {
            return refuse(Texts::tr("%1 只用于 --monitor").arg(given.first()));
        }
        return line;
    }
    if (!line.portName.isEmpty()) {
        return refuse(Texts::tr("--monitor 不能与 --port 同时使用"));
    }
    if (line.baudRate == 0) {
        return refuse(Texts::tr("--monitor 需要 --baud"));
    }
    line.action = CommandLine::Monitor;
    return line;
}

QString usageText()
{
    return Texts::tr(
        "用法: norvane [选项]\n"
        "Norvane 串口调试助手: 串口与 Modbus RTU 调试\n"
        "\n"
        "  --port NAME      启动后打开串口 NAME (如 /dev/ttyUSB0)\n"
        "  --baud N         波特率 (如 9600, 115200)\n"
        "  --data-dir DIR   设置, send.txt, device.txt 和日志都放在 DIR\n"
        "  --monitor PORT   不开窗口, 只读监听 Modbus RTU 总线 PORT (需 --baud),\n"
        "                   每帧一行 CSV 输出到标准输出, 直到 Ctrl+C 或 SIGTERM:\n"
        "                   time,gap_ms,length,hex,crc,kind\n"
        "  --parity N|E|O   监听的校验位 (默认 N)\n"
        "  --stop 1|2       监听的停止位 (默认 1)\n"
        "  --pcap FILE      监听的帧同时写入 pcap 文件 (链路类型 147, USER0)\n"
        "  --scan PORT      不开窗口, 在 PORT 上扫描 Modbus RTU 从站, 每个应答的设备一行\n"
        "                   CSV 输出到标准输出: address,baud,parity,stop,response;\n"
        "                   进度输出到标准错误; 有设备应答时退出码 0, 否则 1\n"
        "  --ids A-B        扫描的地址范围 (默认 1-247)\n"
        "  --bauds B1,B2    依次尝试的波特率 (默认 9600)\n"
        "  --parities N,E,O 依次尝试的校验位 (默认 N)\n"
        "  --stops 1,2      依次尝试的停止位 (默认 1)\n"
        "  --function 1-4   扫描用的读功能码 (默认 3)\n"
        "  --register N     读取的寄存器或线圈地址 (默认 0)\n"
        "  --simulate PORT  不开窗口, 在 PORT 上按寄存器表模拟 Modbus RTU 从站, 直到 Ctrl+C\n"
        "                   或 SIGTERM; 每个请求一行输出到标准输出\n"
        "  --map FILE       模拟用的寄存器表 (CSV: slave,table,address,value)\n"
        "                   --simulate 也用 --baud (默认 9600), --parity, --stop\n"
        "  --version        显示版本后退出\n"
        "  -h, --help       显示本说明后退出\n"
        "\n"
        "程序所在文件夹可写时, 文件都在程序旁边; 否则设置和数据列表在 ~/.config/norvane,\n"
        "日志在 ~/.local/share/norvane。\n");
}

int answerCommandLine(const CommandLine &line)
{
    switch (line.action) {
    case CommandLine::ShowVersion:
        std::fputs(qUtf8Printable(QStringLiteral("norvane %1\n").arg(programVersion())), stdout);
        return 0;
    case CommandLine::ShowHelp:
        std::fputs(qUtf8Printable(usageText()), stdout);
        return 0;
    case CommandLine::Refuse:
        std::fputs(qUtf8Printable(QStringLiteral("norvane: %1\n\n%2").arg(line.error, usageText())),
                   stderr);
        return 2;
    case CommandLine::Run:
    case CommandLine::Monitor:
    case CommandLine::Scan:
    case CommandLine::Simulate:
        break;
    }
    return 0;
}
