<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AppSettings</name>
    <message>
        <source>临时文件 %1 写入不完整</source>
        <translation>Temporary file %1 was not written completely</translation>
    </message>
    <message>
        <source>%1; 使用默认设置, 设置的修改不会保存</source>
        <translation>%1; using the default settings, changes are not saved</translation>
    </message>
    <message>
        <source>保存设置失败: %1 (%2)</source>
        <translation>Could not save the settings: %1 (%2)</translation>
    </message>
</context>
<context>
    <name>BoundSettings</name>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>奇</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>偶</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>标志</source>
        <translation>Mark</translation>
    </message>
    <message>
        <source>空格</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>设置表中没有 %1, 该控件不保存</source>
        <translation>%1 is not a stored setting; this control is not saved</translation>
    </message>
    <message>
        <source>保存设置失败: %1 (%2)</source>
        <translation>Could not save the settings: %1 (%2)</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Serial port</translation>
    </message>
</context>
<context>
    <name>BusCapture</name>
    <message>
        <source>无法写入 %1: %2</source>
        <translation>Could not write %1: %2</translation>
    </message>
    <message>
        <source>无法读取 %1: %2</source>
        <translation>Could not read %1: %2</translation>
    </message>
    <message>
        <source>%1 不是监听记录: 缺少 time 或 hex 列</source>
        <translation>%1 is no monitor capture: the time or hex column is missing</translation>
    </message>
    <message>
        <source>%1 第 %2 行不是一帧的记录</source>
        <translation>%1, line %2: not the record of a frame</translation>
    </message>
</context>
<context>
    <name>BusMonitor</name>
    <message>
        <source>串口中断异常!!</source>
        <translation>Port lost unexpectedly</translation>
    </message>
</context>
<context>
    <name>BusMonitorModel</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>间隔 ms</source>
        <translation>Gap ms</translation>
    </message>
    <message>
        <source>长度</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>CRC</source>
        <translation>CRC</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>解析</source>
        <translation>Decoded</translation>
    </message>
    <message>
        <source>时序</source>
        <translation>Timing</translation>
    </message>
    <message>
        <source>广播, 功能码 %1, 地址 %2, 数量 %3</source>
        <translation>Broadcast, function %1, address %2, count %3</translation>
    </message>
    <message>
        <source>从站 %1, 功能码 %2, 地址 %3, 数量 %4</source>
        <translation>Slave %1, function %2, address %3, count %4</translation>
    </message>
    <message>
        <source> (无应答)</source>
        <translation> (no reply)</translation>
    </message>
    <message>
        <source>无对应请求: %1</source>
        <translation>No request for it: %1</translation>
    </message>
    <message>
        <source>对帧 #%1 的应答, 用时 %2 ms: %3</source>
        <translation>Reply to frame #%1 after %2 ms: %3</translation>
    </message>
    <message>
        <source>写入确认</source>
        <translation>write confirmed</translation>
    </message>
    <message>
        <source>不是有效的 Modbus 帧</source>
        <translation>Not a valid Modbus frame</translation>
    </message>
    <message>
        <source>帧 #%1</source>
        <translation>Frame #%1</translation>
    </message>
    <message>
        <source>正确</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>请求</source>
        <translation>Request</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>异常应答</source>
        <translation>Exception</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>帧间隔不足 3.5 字符</source>
        <translation>gap under 3.5 characters</translation>
    </message>
    <message>
        <source>第 %1 字节前停顿 %2 ms</source>
        <translation>pause of %2 ms before byte %1</translation>
    </message>
    <message>
        <source>按帧结构拆分</source>
        <translation>split by frame shape</translation>
    </message>
    <message>
        <source>超长, 已截断</source>
        <translation>too long, cut</translation>
    </message>
</context>
<context>
    <name>BusMonitorRun</name>
    <message>
        <source>无法写入 %1</source>
        <translation>Could not write %1</translation>
    </message>
</context>
<context>
    <name>BusMonitorWindow</name>
    <message>
        <source>总线监听</source>
        <translation>Bus monitor</translation>
    </message>
    <message>
        <source>开始监听</source>
        <translation>Start monitoring</translation>
    </message>
    <message>
        <source>3.5 字符</source>
        <translation>3.5 characters</translation>
    </message>
    <message>
        <source>结束一帧的静默时间; 0 为标准的 3.5 字符 (19200 以上为 1.75 ms)</source>
        <translation>The silence that ends a frame; 0 for the standard 3.5 characters (1.75 ms above 19200 baud)</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>保存 CSV</source>
        <translation>Save CSV</translation>
    </message>
    <message>
        <source>保存 pcap</source>
        <translation>Save pcap</translation>
    </message>
    <message>
        <source>载入 CSV</source>
        <translation>Load CSV</translation>
    </message>
    <message>
        <source>监听时串口只读打开, 不发送任何数据。时间为程序读到数据的时刻 (微秒), 精度受事件循环和 USB 转换器的缓冲 (1-16 ms) 限制, 更短的间隔可能测不出。</source>
        <translation>While monitoring, the port is open read-only and nothing is sent. Times are when the program read the data (in microseconds); they are only as precise as the event loop and the USB adapter&apos;s buffering (1-16 ms) allow, and shorter gaps may go unseen.</translation>
    </message>
    <message>
        <source>帧间隔</source>
        <translation>Frame gap</translation>
    </message>
    <message>
        <source>数值格式</source>
        <translation>Value format</translation>
    </message>
    <message>
        <source>停止监听</source>
        <translation>Stop monitoring</translation>
    </message>
    <message>
        <source>%1 %2: 每字符 %3 ms, 帧间隔 %4 ms (标准 %5 ms), 字符间隔上限 %6 ms</source>
        <translation>%1 %2: %3 ms a character, frame gap %4 ms (standard %5 ms), character gap at most %6 ms</translation>
    </message>
    <message>
        <source>监听已停止</source>
        <translation>Monitoring stopped</translation>
    </message>
    <message>
        <source>帧 %1, 已应答请求 %2, 无应答请求 %3</source>
        <translation>Frames %1, requests answered %2, unanswered %3</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>pcap 文件 (*.pcap)</source>
        <translation>pcap files (*.pcap)</translation>
    </message>
    <message>
        <source>已载入 %1 帧: %2</source>
        <translation>Loaded %1 frames: %2</translation>
    </message>
</context>
<context>
    <name>BusPairer</name>
    <message>
        <source>无应答: 从站 %1, 功能码 %2</source>
        <translation>No reply: slave %1, function %2</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>%1 缺少值</source>
        <translation>%1 needs a value</translation>
    </message>
    <message>
        <source>未知的选项 %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>多余的参数 %1</source>
        <translation>unexpected argument %1</translation>
    </message>
    <message>
        <source>波特率 %1 不可用, 可用: %2</source>
        <translation>baud rate %1 is not available; available: %2</translation>
    </message>
    <message>
        <source>校验位 %1 不可用, 可用: N E O</source>
        <translation>parity %1 is not available; available: N E O</translation>
    </message>
    <message>
        <source>停止位 %1 不可用, 可用: 1 2</source>
        <translation>stop bits %1 are not available; available: 1 2</translation>
    </message>
    <message>
        <source>%1 只用于 --monitor</source>
        <translation>%1 is only for --monitor</translation>
    </message>
    <message>
        <source>--monitor 不能与 --port 同时使用</source>
        <translation>--monitor cannot be used with --port</translation>
    </message>
    <message>
        <source>--monitor 需要 --baud</source>
        <translation>--monitor needs --baud</translation>
    </message>
    <message>
        <source>%1 的值 %2 不可用</source>
        <translation>%1: the value %2 is not available</translation>
    </message>
    <message>
        <source>--ids 应为 1-247 之内的地址范围, 如 1-32</source>
        <translation>--ids takes a range of addresses within 1-247, such as 1-32</translation>
    </message>
    <message>
        <source>--function 应为 1-4</source>
        <translation>--function takes 1-4</translation>
    </message>
    <message>
        <source>--register 应为 0-65535</source>
        <translation>--register takes 0-65535</translation>
    </message>
    <message>
        <source>--scan 不能与 --port 或 --monitor 同时使用</source>
        <translation>--scan cannot be used with --port or --monitor</translation>
    </message>
    <message>
        <source>--scan 的波特率由 --bauds 给出</source>
        <translation>--scan takes its baud rates from --bauds</translation>
    </message>
    <message>
        <source>%1 只用于 --scan</source>
        <translation>%1 is only for --scan</translation>
    </message>
    <message>
        <source>--simulate 不能与 --port, --monitor 或 --scan 同时使用</source>
        <translation>--simulate cannot be used with --port, --monitor or --scan</translation>
    </message>
    <message>
        <source>--pcap 只用于 --monitor</source>
        <translation>--pcap is only for --monitor</translation>
    </message>
    <message>
        <source>--simulate 需要 --map</source>
        <translation>--simulate needs --map</translation>
    </message>
    <message>
        <source>--map 只用于 --simulate</source>
        <translation>--map is only for --simulate</translation>
    </message>
    <message>
        <source>用法: norvane [选项]
Norvane 串口调试助手: 串口与 Modbus RTU 调试

  --port NAME      启动后打开串口 NAME (如 /dev/ttyUSB0)
  --baud N         波特率 (如 9600, 115200)
  --data-dir DIR   设置, send.txt, device.txt 和日志都放在 DIR
  --monitor PORT   不开窗口, 只读监听 Modbus RTU 总线 PORT (需 --baud),
                   每帧一行 CSV 输出到标准输出, 直到 Ctrl+C 或 SIGTERM:
                   time,gap_ms,length,hex,crc,kind
  --parity N|E|O   监听的校验位 (默认 N)
  --stop 1|2       监听的停止位 (默认 1)
  --pcap FILE      监听的帧同时写入 pcap 文件 (链路类型 147, USER0)
  --scan PORT      不开窗口, 在 PORT 上扫描 Modbus RTU 从站, 每个应答的设备一行
                   CSV 输出到标准输出: address,baud,parity,stop,response;
                   进度输出到标准错误; 有设备应答时退出码 0, 否则 1
  --ids A-B        扫描的地址范围 (默认 1-247)
  --bauds B1,B2    依次尝试的波特率 (默认 9600)
  --parities N,E,O 依次尝试的校验位 (默认 N)
  --stops 1,2      依次尝试的停止位 (默认 1)
  --function 1-4   扫描用的读功能码 (默认 3)
  --register N     读取的寄存器或线圈地址 (默认 0)
  --simulate PORT  不开窗口, 在 PORT 上按寄存器表模拟 Modbus RTU 从站, 直到 Ctrl+C
                   或 SIGTERM; 每个请求一行输出到标准输出
  --map FILE       模拟用的寄存器表 (CSV: slave,table,address,value)
                   --simulate 也用 --baud (默认 9600), --parity, --stop
  --version        显示版本后退出
  -h, --help       显示本说明后退出

程序所在文件夹可写时, 文件都在程序旁边; 否则设置和数据列表在 ~/.config/norvane,
日志在 ~/.local/share/norvane。
</source>
        <translation>Usage: norvane [options]
Norvane serial debug assistant: serial port and Modbus RTU debugging

  --port NAME      open serial port NAME after start (e.g. /dev/ttyUSB0)
  --baud N         baud rate (e.g. 9600, 115200)
  --data-dir DIR   keep the settings, send.txt, device.txt and the logs in DIR
  --monitor PORT   listen to the Modbus RTU bus on PORT read-only, without a window
                   (needs --baud); one CSV line per frame on stdout until Ctrl+C or
                   SIGTERM: time,gap_ms,length,hex,crc,kind
  --parity N|E|O   parity of the monitored line (default N)
  --stop 1|2       stop bits of the monitored line (default 1)
  --pcap FILE      also write the monitored frames to a pcap file (link type 147, USER0)
  --scan PORT      scan PORT for Modbus RTU slaves without a window; one CSV line per
                   device that answered on stdout: address,baud,parity,stop,response;
                   progress on stderr; exit code 0 when a device answered, else 1
  --ids A-B        the addresses scanned (default 1-247)
  --bauds B1,B2    the baud rates tried in turn (default 9600)
  --parities N,E,O the parities tried in turn (default N)
  --stops 1,2      the stop bits tried in turn (default 1)
  --function 1-4   the read function code the scan asks with (default 3)
  --register N     the register or coil read (default 0)
  --simulate PORT  answer on PORT as the Modbus RTU slaves of a register map, without a
                   window, until Ctrl+C or SIGTERM; one line per request on stdout
  --map FILE       the register map simulated (CSV: slave,table,address,value)
                   --simulate also takes --baud (default 9600), --parity, --stop
  --version        show the version and exit
  -h, --help       show this help and exit

While the program&apos;s folder is writable, the files are kept beside the program; otherwise
the settings and data lists are in ~/.config/norvane, the logs in ~/.local/share/norvane.
</translation>
    </message>
</context>
<context>
    <name>ConsoleSession</name>
    <message>
        <source>串口发送缓冲已满 (对方未接收), 数据未发送</source>
        <translation>Serial send buffer full (the peer is not reading); data not sent</translation>
    </message>
    <message>
        <source>打开串口成功!!</source>
        <translation>Port opened</translation>
    </message>
    <message>
        <source>关闭串口!!</source>
        <translation>Port closed</translation>
    </message>
    <message>
        <source>串口中断异常!!</source>
        <translation>Port lost unexpectedly</translation>
    </message>
    <message>
        <source>请求未发送: </source>
        <translation>Request not sent: </translation>
    </message>
    <message>
        <source>串口不接受波特率 %1, 仍为 %2</source>
        <translation>The port does not take %1 baud; it stays at %2</translation>
    </message>
    <message>
        <source>串口不接受 RTS 设置</source>
        <translation>The port does not take the RTS setting</translation>
    </message>
    <message>
        <source>串口不接受 DTR 设置</source>
        <translation>The port does not take the DTR setting</translation>
    </message>
    <message>
        <source>经 TCP 只发送 Modbus 请求, 未发送</source>
        <translation>Only Modbus requests go over TCP; not sent</translation>
    </message>
    <message>
        <source>总线监听中: 串口由监听只读使用</source>
        <translation>Monitoring the bus: the port is held read-only by the monitor</translation>
    </message>
</context>
<context>
    <name>ConsoleTools</name>
    <message>
        <source>地址扫描中, 不能开始总线监听</source>
        <translation>A scan is running: the bus monitor cannot start</translation>
    </message>
    <message>
        <source>总线监听中, 请先停止监听</source>
        <translation>The bus monitor is running: stop it first</translation>
    </message>
    <message>
        <source>寄存器表模拟已启动</source>
        <translation>Register map simulation started</translation>
    </message>
    <message>
        <source>寄存器表模拟已停止</source>
        <translation>Register map simulation stopped</translation>
    </message>
</context>
<context>
    <name>CountdownDialog</name>
    <message>
        <source>关闭倒计时 %1 s</source>
        <translation>Closing in %1 s</translation>
    </message>
</context>
<context>
    <name>DataFile</name>
    <message>
        <source>%1 不是普通文件, 未读取</source>
        <translation>%1 is not a regular file: not read</translation>
    </message>
    <message>
        <source>%1 过大 (%2 字节, 上限 %3 字节), 未读取</source>
        <translation>%1 is too large (%2 bytes, limit %3 bytes): not read</translation>
    </message>
</context>
<context>
    <name>DataLists</name>
    <message>
        <source>%1: 跳过 %2 行过长的行 (超过 %3 字节)</source>
        <translation>%1: skipped %2 over-long lines (over %3 bytes)</translation>
    </message>
    <message>
        <source>%1: 只读取了前面的行, 其后约 %2 行未读取</source>
        <translation>%1: only the first lines were read, about %2 more were not</translation>
    </message>
</context>
<context>
    <name>FileSendWindow</name>
    <message>
        <source>发送文件</source>
        <translation>Send file</translation>
    </message>
    <message>
        <source>选择...</source>
        <translation>Choose...</translation>
    </message>
    <message>
        <source>文件是十六进制文本 (按字节发送其内容)</source>
        <translation>The file is hex text (send the bytes it spells)</translation>
    </message>
    <message>
        <source>按波特率</source>
        <translation>by baud rate</translation>
    </message>
    <message>
        <source>开始发送</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>块间隔</source>
        <translation>Chunk interval</translation>
    </message>
    <message>
        <source>每块字节 (有间隔时)</source>
        <translation>Bytes per chunk (with an interval)</translation>
    </message>
    <message>
        <source>已发送 %1/%2 字节</source>
        <translation>Sent %1/%2 bytes</translation>
    </message>
</context>
<context>
    <name>FileSender</name>
    <message>
        <source>串口已关闭, 文件未发完: %1/%2 字节</source>
        <translation>Port closed, file not sent whole: %1/%2 bytes</translation>
    </message>
    <message>
        <source>正在发送文件</source>
        <translation>A file is being sent</translation>
    </message>
    <message>
        <source>串口未打开</source>
        <translation>The port is not open</translation>
    </message>
    <message>
        <source>文件是空的</source>
        <translation>The file is empty</translation>
    </message>
    <message>
        <source>文件发送已取消: %1/%2 字节</source>
        <translation>File sending cancelled: %1/%2 bytes</translation>
    </message>
    <message>
        <source>文件已发送: %1 字节, 用时 %2 ms</source>
        <translation>File sent: %1 bytes in %2 ms</translation>
    </message>
</context>
<context>
    <name>LogFormat</name>
    <message>
        <source>串口发送 &gt;&gt;</source>
        <translation>Serial TX &gt;&gt;</translation>
    </message>
    <message>
        <source>串口接收 &lt;&lt;</source>
        <translation>Serial RX &lt;&lt;</translation>
    </message>
    <message>
        <source>处理延时 &gt;&gt;</source>
        <translation>Delay &gt;&gt;</translation>
    </message>
    <message>
        <source>正在校验 &gt;&gt;</source>
        <translation>Checking &gt;&gt;</translation>
    </message>
    <message>
        <source>网络发送 &gt;&gt;</source>
        <translation>Net TX &gt;&gt;</translation>
    </message>
    <message>
        <source>网络接收 &lt;&lt;</source>
        <translation>Net RX &lt;&lt;</translation>
    </message>
    <message>
        <source>提示信息 &gt;&gt;</source>
        <translation>Info &gt;&gt;</translation>
    </message>
    <message>
        <source>数值解析 &gt;&gt;</source>
        <translation>Values &gt;&gt;</translation>
    </message>
    <message>
        <source>时间[%1] %2 %3</source>
        <translation>[%1] %2 %3</translation>
    </message>
</context>
<context>
    <name>ModbusReply</name>
    <message>
        <source>16 位有符号</source>
        <translation>Int16</translation>
    </message>
    <message>
        <source>16 位无符号</source>
        <translation>UInt16</translation>
    </message>
    <message>
        <source>32 位有符号</source>
        <translation>Int32</translation>
    </message>
    <message>
        <source>32 位无符号</source>
        <translation>UInt32</translation>
    </message>
    <message>
        <source>32 位浮点</source>
        <translation>Float</translation>
    </message>
    <message>
        <source>(余 %1 个寄存器)</source>
        <translation>(%1 register left over)</translation>
    </message>
    <message>
        <source>非法功能</source>
        <translation>Illegal function</translation>
    </message>
    <message>
        <source>非法数据地址</source>
        <translation>Illegal data address</translation>
    </message>
    <message>
        <source>非法数据值</source>
        <translation>Illegal data value</translation>
    </message>
    <message>
        <source>从站设备故障</source>
        <translation>Slave device failure</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Acknowledge</translation>
    </message>
    <message>
        <source>从站设备忙</source>
        <translation>Slave device busy</translation>
    </message>
    <message>
        <source>否定确认</source>
        <translation>Negative acknowledge</translation>
    </message>
    <message>
        <source>存储奇偶性差错</source>
        <translation>Memory parity error</translation>
    </message>
    <message>
        <source>不可用网关路径</source>
        <translation>Gateway path unavailable</translation>
    </message>
    <message>
        <source>网关目标设备响应失败</source>
        <translation>Gateway target device failed to respond</translation>
    </message>
    <message>
        <source>未知异常</source>
        <translation>Unknown exception</translation>
    </message>
    <message>
        <source>64 位有符号</source>
        <translation>Int64</translation>
    </message>
    <message>
        <source>64 位无符号</source>
        <translation>UInt64</translation>
    </message>
    <message>
        <source>64 位浮点</source>
        <translation>Double</translation>
    </message>
    <message>
        <source>ASCII 字符串</source>
        <translation>ASCII</translation>
    </message>
    <message>
        <source>只能是可打印的ASCII字符</source>
        <translation>Only printable ASCII characters</translation>
    </message>
    <message>
        <source>请输入文字</source>
        <translation>Enter some text</translation>
    </message>
    <message>
        <source>数值无效或超出范围: %1</source>
        <translation>Invalid or out-of-range value: %1</translation>
    </message>
</context>
<context>
    <name>NetBridge</name>
    <message>
        <source>连接服务器成功</source>
        <translation>Connected to the server</translation>
    </message>
    <message>
        <source>IP地址和远程端口不能为空</source>
        <translation>The IP address and the remote port must not be empty</translation>
    </message>
    <message>
        <source>断开服务器成功</source>
        <translation>Disconnected from the server</translation>
    </message>
    <message>
        <source>连接服务器失败,%1</source>
        <translation>Could not connect to the server: %1</translation>
    </message>
    <message>
        <source>服务器未及时接收, 发往网络的数据开始丢弃</source>
        <translation>The server is not keeping up: data for the network is being dropped</translation>
    </message>
    <message>
        <source>服务器又开始接收, 共丢弃 %1 字节</source>
        <translation>The server is receiving again; %1 bytes were dropped</translation>
    </message>
    <message>
        <source>网络启动失败, %1</source>
        <translation>Network start failed: %1</translation>
    </message>
    <message>
        <source>UDP 已就绪, 发往 %1</source>
        <translation>UDP ready, sending to %1</translation>
    </message>
    <message>
        <source>正在监听 %1 %2</source>
        <translation>Listening on %1 %2</translation>
    </message>
    <message>
        <source>UDP 远程地址应为 IP 地址, 现为 &quot;%1&quot;</source>
        <translation>The UDP remote address must be an IP address, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>监听端口不能为空</source>
        <translation>The listen port must not be empty</translation>
    </message>
    <message>
        <source>网络已停止</source>
        <translation>Network stopped</translation>
    </message>
    <message>
        <source>客户端已连接: %1 (共 %2 个)</source>
        <translation>Client connected: %1 (%2 in all)</translation>
    </message>
    <message>
        <source>客户端已断开: %1 (共 %2 个)</source>
        <translation>Client disconnected: %1 (%2 in all)</translation>
    </message>
    <message>
        <source>有客户端未及时接收, 发往它的数据开始丢弃</source>
        <translation>A client is not keeping up: data for it is being dropped</translation>
    </message>
    <message>
        <source>客户端又开始接收, 共丢弃 %1 字节</source>
        <translation>The clients are receiving again; %1 bytes were dropped</translation>
    </message>
</context>
<context>
    <name>PollDefinition</name>
    <message>
        <source>轮询只能用读功能码 01-04</source>
        <translation>Polls use read function codes 01-04 only</translation>
    </message>
    <message>
        <source>从站 %1 · %2 · %3-%4</source>
        <translation>Slave %1 · %2 · %3-%4</translation>
    </message>
    <message>
        <source>第 %1 行: %2</source>
        <translation>Line %1: %2</translation>
    </message>
    <message>
        <source>应为 从站 功能码 地址 数量</source>
        <translation>Expected slave function address count</translation>
    </message>
    <message>
        <source>请求 %1  成功 %2  超时 %3  CRC错误 %4  异常 %5  不符 %6  响应 ms 最近/最小/平均/最大 %7/%8/%9/%10</source>
        <translation>Requests %1  good %2  timeouts %3  CRC errors %4  exceptions %5  mismatches %6  response ms last/min/avg/max %7/%8/%9/%10</translation>
    </message>
</context>
<context>
    <name>PortNames</name>
    <message>
        <source>请选择或输入串口</source>
        <translation>Choose or type a port</translation>
    </message>
    <message>
        <source>串口名过长</source>
        <translation>Port name too long</translation>
    </message>
    <message>
        <source>不是串口设备</source>
        <translation>Not a serial device</translation>
    </message>
    <message>
        <source>没有该设备</source>
        <translation>No such device</translation>
    </message>
    <message>
        <source>没有权限: 把用户加入 dialout 组 (sudo usermod -aG dialout $USER), 重新登录后生效</source>
        <translation>Permission denied: add the user to the dialout group (sudo usermod -aG dialout $USER) and log in again</translation>
    </message>
    <message>
        <source>设备忙或被占用</source>
        <translation>Device busy or in use</translation>
    </message>
</context>
<context>
    <name>RangeCalc</name>
    <message>
        <source>信号输入的两个点不能相同</source>
        <translation>The two signal input points must differ</translation>
    </message>
    <message>
        <source>计算结果超出数值范围, 请检查输入</source>
        <translation>The result is out of range; check the input</translation>
    </message>
    <message>
        <source>实际量程: %1 ~ %2</source>
        <translation>Actual range: %1 ~ %2</translation>
    </message>
    <message>
        <source>仪表量程: %1 ~ %2</source>
        <translation>Instrument range: %1 ~ %2</translation>
    </message>
</context>
<context>
    <name>RegisterMap</name>
    <message>
        <source>第一行应为 slave,table,address,value</source>
        <translation>the first line should be slave,table,address,value</translation>
    </message>
    <message>
        <source>应有 4 或 5 个字段, 实有 %1</source>
        <translation>4 or 5 fields expected, %1 found</translation>
    </message>
    <message>
        <source>从站地址 %1 应为 1-247</source>
        <translation>slave address %1 should be 1-247</translation>
    </message>
    <message>
        <source>表 %1 应为 coil, discrete, holding 或 input</source>
        <translation>table %1 should be coil, discrete, holding or input</translation>
    </message>
    <message>
        <source>地址 %1 应为 0-65535</source>
        <translation>address %1 should be 0-65535</translation>
    </message>
    <message>
        <source>数值 %1 不可用</source>
        <translation>value %1 cannot be used</translation>
    </message>
    <message>
        <source>生成器 %1 不可用</source>
        <translation>generator %1 cannot be used</translation>
    </message>
    <message>
        <source>生成器只用于寄存器</source>
        <translation>generators are for registers only</translation>
    </message>
    <message>
        <source>地址重复</source>
        <translation>address given twice</translation>
    </message>
    <message>
        <source>%1: 文件为空, 第一行应为 slave,table,address,value</source>
        <translation>%1: the file is empty; the first line should be slave,table,address,value</translation>
    </message>
    <message>
        <source>%1: 无法读取: %2</source>
        <translation>%1: cannot read: %2</translation>
    </message>
    <message>
        <source>%1: 无法写入: %2</source>
        <translation>%1: cannot write: %2</translation>
    </message>
</context>
<context>
    <name>RegisterMapModel</name>
    <message>
        <source>从站</source>
        <translation>Slave</translation>
    </message>
    <message>
        <source>表</source>
        <translation>Table</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>生成器</source>
        <translation>Generator</translation>
    </message>
</context>
<context>
    <name>RegisterTableModel</name>
    <message>
        <source>(超出读取范围)</source>
        <translation>(beyond the read)</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>别名</source>
        <translation>Alias</translation>
    </message>
    <message>
        <source>原始值</source>
        <translation>Raw</translation>
    </message>
    <message>
        <source>数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>更新时间</source>
        <translation>Updated</translation>
    </message>
    <message>
        <source>别名未能保存: %1</source>
        <translation>Alias not saved: %1</translation>
    </message>
    <message>
        <source>只有线圈和保持寄存器可以写入</source>
        <translation>Only coils and holding registers can be written</translation>
    </message>
</context>
<context>
    <name>RegisterTables</name>
    <message>
        <source>已有相同的轮询: %1</source>
        <translation>This poll exists already: %1</translation>
    </message>
    <message>
        <source>轮询未能保存: %1</source>
        <translation>Polls not saved: %1</translation>
    </message>
</context>
<context>
    <name>RegisterWindow</name>
    <message>
        <source>寄存器表</source>
        <translation>Register table</translation>
    </message>
    <message>
        <source>从站 功能码 地址 数量, 如 1 3 0 10</source>
        <translation>slave function address count, e.g. 1 3 0 10</translation>
    </message>
    <message>
        <source>添加轮询</source>
        <translation>Add poll</translation>
    </message>
    <message>
        <source>删除当前轮询</source>
        <translation>Remove this poll</translation>
    </message>
    <message>
        <source>自动发送时依次轮询</source>
        <translation>Poll in turn on auto-send</translation>
    </message>
    <message>
        <source>重置统计</source>
        <translation>Reset statistics</translation>
    </message>
    <message>
        <source>最近读取</source>
        <translation>Last read</translation>
    </message>
    <message>
        <source>尚无读取</source>
        <translation>No read yet</translation>
    </message>
    <message>
        <source>本表: %1
从站 %2: %3</source>
        <translation>This table: %1
Slave %2: %3</translation>
    </message>
    <message>
        <source>只有线圈和保持寄存器可以写入</source>
        <translation>Only coils and holding registers can be written</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>从站 %1 地址 %2 的新值:</source>
        <translation>New value for slave %1 address %2:</translation>
    </message>
</context>
<context>
    <name>ReplyMatcher</name>
    <message>
        <source>CRC错误: 应为 %1 %2</source>
        <translation>CRC error: expected %1 %2</translation>
    </message>
    <message>
        <source>异常响应: 功能码 %1, 异常码 %2 (%3)</source>
        <translation>Exception reply: function %1, exception code %2 (%3)</translation>
    </message>
    <message>
        <source>(不完整: 收到 %1 字节)</source>
        <translation>(incomplete: %1 bytes received)</translation>
    </message>
    <message>
        <source>(不完整: 收到 %1/%2 字节)</source>
        <translation>(incomplete: %1/%2 bytes received)</translation>
    </message>
    <message>
        <source>从站地址应为 %1, 收到 %2</source>
        <translation>slave address: expected %1, got %2</translation>
    </message>
    <message>
        <source>功能码应为 %1, 收到 %2</source>
        <translation>function code: expected %1, got %2</translation>
    </message>
    <message>
        <source>应答不符: </source>
        <translation>Reply does not match: </translation>
    </message>
    <message>
        <source>字节数不符: 应为 %1, 收到 %2</source>
        <translation>Byte count mismatch: expected %1, got %2</translation>
    </message>
    <message>
        <source>写入应答不符: 应为 %1, 收到 %2</source>
        <translation>Write reply mismatch: expected %1, got %2</translation>
    </message>
    <message>
        <source>迟到的应答 (已判无应答): </source>
        <translation>Late reply (already counted as no reply): </translation>
    </message>
    <message>
        <source>无应答: 从站 %1, 功能码 %2, 等待 %3 ms</source>
        <translation>No reply: slave %1, function %2, waited %3 ms</translation>
    </message>
    <message>
        <source>跳过本机请求的回显 (%1 字节)</source>
        <translation>Skipped the echo of our request (%1 bytes)</translation>
    </message>
    <message>
        <source>跳过 %1 字节噪声: %2</source>
        <translation>Skipped %1 bytes of noise: %2</translation>
    </message>
    <message>
        <source>不是应答 (%1 字节)</source>
        <translation>Not a reply (%1 bytes)</translation>
    </message>
</context>
<context>
    <name>RequestFrame</name>
    <message>
        <source>%1应为 %2 的整数, 现为 &quot;%3&quot;</source>
        <translation>%1 must be a whole number in %2, not &quot;%3&quot;</translation>
    </message>
    <message>
        <source>通讯地址</source>
        <translation>Slave address</translation>
    </message>
    <message>
        <source>0-247 (0 为广播)</source>
        <translation>0-247 (0: broadcast)</translation>
    </message>
    <message>
        <source>写入值</source>
        <translation>Write value</translation>
    </message>
    <message>
        <source>0-65535 或 -32768 到 -1</source>
        <translation>0-65535 or -32768 to -1</translation>
    </message>
    <message>
        <source>读取数量</source>
        <translation>Read count</translation>
    </message>
    <message>
        <source>内存地址</source>
        <translation>Register address</translation>
    </message>
    <message>
        <source> (从地址 %1 起)</source>
        <translation> (from address %1)</translation>
    </message>
    <message>
        <source>写入数据应为 %1 个值, 现为 %2 个</source>
        <translation>Write data must hold %1 values, not %2</translation>
    </message>
    <message>
        <source>01 读线圈</source>
        <translation>01 Read coils</translation>
    </message>
    <message>
        <source>02 读离散输入</source>
        <translation>02 Read discrete inputs</translation>
    </message>
    <message>
        <source>03 读保持寄存器</source>
        <translation>03 Read holding registers</translation>
    </message>
    <message>
        <source>04 读输入寄存器</source>
        <translation>04 Read input registers</translation>
    </message>
    <message>
        <source>05 写单个线圈</source>
        <translation>05 Write single coil</translation>
    </message>
    <message>
        <source>06 写单个寄存器</source>
        <translation>06 Write single register</translation>
    </message>
    <message>
        <source>0F 写多个线圈</source>
        <translation>0F Write multiple coils</translation>
    </message>
    <message>
        <source>10 写多个寄存器</source>
        <translation>10 Write multiple registers</translation>
    </message>
    <message>
        <source>写入数据第 %1 个应为 0 或 1, 现为 &quot;%2&quot;</source>
        <translation>Write data item %1 must be 0 or 1, not &quot;%2&quot;</translation>
    </message>
    <message>
        <source>写入数据第 %1 个应为 0-65535, -32768 到 -1 或 0x0000-0xFFFF, 现为 &quot;%2&quot;</source>
        <translation>Write data item %1 must be 0-65535, -32768 to -1 or 0x0000-0xFFFF, not &quot;%2&quot;</translation>
    </message>
    <message>
        <source>功能码应为 1-6, 15 (0F) 或 16 (10), 现为 &quot;%1&quot;</source>
        <translation>Function must be 1-6, 15 (0F) or 16 (10), not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>写入值应为 1 (on) 或 0 (off), 现为 &quot;%1&quot;</source>
        <translation>Value must be 1 (on) or 0 (off), not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>写入数量应为 %1 (写入数据的个数), 现为 &quot;%2&quot;</source>
        <translation>Write count must be %1 (the number of write data items), not &quot;%2&quot;</translation>
    </message>
</context>
<context>
    <name>ScanRun</name>
    <message>
        <source>扫描: 地址 %1, %2 %3%4%5, %6/%7, 最多还需 %8 秒</source>
        <translation>scan: address %1, %2 %3%4%5, %6/%7, at most %8 s left</translation>
    </message>
    <message>
        <source>地址 %1-%2 全部应答相同: 应为一个替所有地址应答的网关或中继</source>
        <translation>addresses %1-%2 all answered alike: a gateway or relay answering for every address</translation>
    </message>
    <message>
        <source>扫描完成, 找到 %1 个设备</source>
        <translation>Scan done, %1 devices found</translation>
    </message>
</context>
<context>
    <name>ScanWindow</name>
    <message>
        <source>偶</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>奇</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>地址扫描</source>
        <translation>Address scan</translation>
    </message>
    <message>
        <source>每个地址等待的时间 = 请求和应答在线上的时间 + 此值; 慢的设备需加大</source>
        <translation>Each address waits for the wire time of the request and the reply plus this; raise it for slow devices</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>停止位</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <source>找到即停</source>
        <translation>Stop at first find</translation>
    </message>
    <message>
        <source>扫描通讯参数时, 在第一个有设备应答的设置扫完后停止</source>
        <translation>When scanning line settings, stop after the first setting at which a device answered</translation>
    </message>
    <message>
        <source>扫描地址</source>
        <translation>Scan addresses</translation>
    </message>
    <message>
        <source>以主界面的串口设置逐个询问地址范围内的从站</source>
        <translation>Ask each slave address of the range at the main window&apos;s port settings</translation>
    </message>
    <message>
        <source>扫描通讯参数</source>
        <translation>Scan line settings</translation>
    </message>
    <message>
        <source>对地址范围内的从站逐个尝试所选的波特率, 校验位和停止位</source>
        <translation>Try each chosen baud rate, parity and stop bits on the slaves of the range</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>使用此设置</source>
        <translation>Use these settings</translation>
    </message>
    <message>
        <source>把所选设备的地址和串口设置填入主界面</source>
        <translation>Put the chosen device&apos;s address and port settings into the main window</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>响应时间 (ms)</source>
        <translation>Response time (ms)</translation>
    </message>
    <message>
        <source>扫描时主界面的串口关闭, 由扫描独占; 扫描结束后再打开。</source>
        <translation>While scanning, the main window&apos;s port is closed and the scan has the port to itself; open it again when the scan is done.</translation>
    </message>
    <message>
        <source>功能码</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>寄存器</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>应答等待</source>
        <translation>Answer time</translation>
    </message>
    <message>
        <source>正在询问地址 %1 (%2, 校验 %3, 停止位 %4), 已试 %5/%6, 最多还需 %7 秒</source>
        <translation>Asking address %1 (%2, parity %3, stop bits %4), tried %5/%6, at most %7 s left</translation>
    </message>
    <message>
        <source>%1-%2 (全部应答相同: 网关或中继)</source>
        <translation>%1-%2 (all answered alike: a gateway or relay)</translation>
    </message>
    <message>
        <source>已取消, 找到 %1 个设备</source>
        <translation>Cancelled, %1 devices found</translation>
    </message>
    <message>
        <source>扫描完成, 找到 %1 个设备</source>
        <translation>Scan done, %1 devices found</translation>
    </message>
</context>
<context>
    <name>Scanner</name>
    <message>
        <source>功能码应为 1-4</source>
        <translation>The function code must be 1-4</translation>
    </message>
    <message>
        <source>寄存器地址应为 0-65535</source>
        <translation>The register must be 0-65535</translation>
    </message>
    <message>
        <source>地址范围应在 1-247 之内</source>
        <translation>The address range must lie within 1-247</translation>
    </message>
    <message>
        <source>请至少选择一个波特率、校验位和停止位</source>
        <translation>Choose at least one baud rate, parity and stop bits</translation>
    </message>
    <message>
        <source>波特率 %1 不可用</source>
        <translation>Baud rate %1 is not available</translation>
    </message>
    <message>
        <source>应答等待时间应大于 0</source>
        <translation>The answer time must be above 0</translation>
    </message>
    <message>
        <source>串口不接受设置 %1 %2 %3</source>
        <translation>The port does not take the settings %1 %2 %3</translation>
    </message>
    <message>
        <source>串口中断异常!!</source>
        <translation>Port lost unexpectedly</translation>
    </message>
</context>
<context>
    <name>SendBox</name>
    <message>
        <source>串口未打开, 未发送</source>
        <translation>The port is not open; nothing sent</translation>
    </message>
    <message>
        <source>未发送: %1</source>
        <translation>Not sent: %1</translation>
    </message>
    <message>
        <source>发送历史未能保存: %1</source>
        <translation>Send history not saved: %1</translation>
    </message>
</context>
<context>
    <name>SendLine</name>
    <message>
        <source>十六进制数字须成对: 第 %1 个字符前</source>
        <translation>Hex digits come in pairs: before character %1</translation>
    </message>
    <message>
        <source>第 %1 个字符 &quot;%2&quot; 不是十六进制数字</source>
        <translation>Character %1 &quot;%2&quot; is not a hex digit</translation>
    </message>
    <message>
        <source>十六进制数字须成对: 末尾多出一个</source>
        <translation>Hex digits come in pairs: one too many at the end</translation>
    </message>
    <message>
        <source>没有要发送的内容</source>
        <translation>Nothing to send</translation>
    </message>
</context>
<context>
    <name>SendListEditor</name>
    <message>
        <source>读取数据失败: %1</source>
        <translation>Could not read data: %1</translation>
    </message>
    <message>
        <source>%1 不是 UTF-8 文本: 不修改则保存时不改写它, 修改后以 UTF-8 保存</source>
        <translation>%1 is not UTF-8 text: saving leaves it as it is unless it was changed, then it is saved as UTF-8</translation>
    </message>
    <message>
        <source>保存数据失败: %1 (%2)</source>
        <translation>Could not save data: %1 (%2)</translation>
    </message>
    <message>
        <source>发送列表 send.txt 已修改, 是否保存?</source>
        <translation>The send list send.txt has changed. Save it?</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>不保存</source>
        <translation>Don&apos;t save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>无法创建 %1: %2</source>
        <translation>Cannot create %1: %2</translation>
    </message>
    <message>
        <source>已创建 %1</source>
        <translation>Created %1</translation>
    </message>
</context>
<context>
    <name>SimulateRun</name>
    <message>
        <source>串口中断异常!!</source>
        <translation>The serial port failed!!</translation>
    </message>
</context>
<context>
    <name>SimulatorWindow</name>
    <message>
        <source>不应答 %</source>
        <translation>No reply %</translation>
    </message>
    <message>
        <source>延时 ms</source>
        <translation>Delay ms</translation>
    </message>
    <message>
        <source>至 ms</source>
        <translation>to ms</translation>
    </message>
    <message>
        <source>CRC错 %</source>
        <translation>Bad CRC %</translation>
    </message>
    <message>
        <source>分两段 %</source>
        <translation>In two pieces %</translation>
    </message>
    <message>
        <source>段间隔 ms</source>
        <translation>Gap ms</translation>
    </message>
    <message>
        <source>异常于功能码</source>
        <translation>Exception for function</translation>
    </message>
    <message>
        <source>异常码</source>
        <translation>Exception code</translation>
    </message>
    <message>
        <source>错从站地址 %</source>
        <translation>Wrong slave address %</translation>
    </message>
    <message>
        <source>启动模拟</source>
        <translation>Simulate</translation>
    </message>
    <message>
        <source>寄存器表模拟</source>
        <translation>Register map simulator</translation>
    </message>
    <message>
        <source>载入</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>故障, 从站</source>
        <translation>Faults of slave</translation>
    </message>
    <message>
        <source>%1: %2 个地址</source>
        <translation>%1: %2 addresses</translation>
    </message>
    <message>
        <source>已保存 %1</source>
        <translation>Saved %1</translation>
    </message>
    <message>
        <source>请求 %1, 异常 %2 (故障 %3), 不应答 %4, 延时 %5, CRC错 %6, 分段 %7, 错从站地址 %8</source>
        <translation>Requests %1, exceptions %2 (forced %3), no reply %4, delayed %5, bad CRC %6, split %7, wrong slave address %8</translation>
    </message>
</context>
<context>
    <name>SlaveSimulator</name>
    <message>
        <source>%1: CRC错误, 不应答</source>
        <translation>%1: bad CRC, no reply</translation>
    </message>
    <message>
        <source>%1: 从站 %2 不在表中, 不应答</source>
        <translation>%1: slave %2 is not in the map, no reply</translation>
    </message>
    <message>
        <source>故障: 异常 %1</source>
        <translation>fault: exception %1</translation>
    </message>
    <message>
        <source>%1: 广播, 不应答</source>
        <translation>%1: broadcast, no reply</translation>
    </message>
    <message>
        <source>%1: 故障: 不应答</source>
        <translation>%1: fault: no reply</translation>
    </message>
    <message>
        <source>故障: 从站地址 %1</source>
        <translation>fault: slave address %1</translation>
    </message>
    <message>
        <source>故障: CRC错误</source>
        <translation>fault: bad CRC</translation>
    </message>
    <message>
        <source>故障: 延时 %1 ms</source>
        <translation>fault: %1 ms late</translation>
    </message>
    <message>
        <source>故障: 分两段, 间隔 %1 ms</source>
        <translation>fault: two pieces, %1 ms apart</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>Norvane串口调试助手  技术支持: %1</source>
        <translation>Norvane Serial Debug Assistant  Support: %1</translation>
    </message>
    <message>
        <source>命令行 --data-dir 指定</source>
        <translation>given by --data-dir on the command line</translation>
    </message>
    <message>
        <source>程序安装在 %1</source>
        <translation>the program is installed in %1</translation>
    </message>
    <message>
        <source>程序所在文件夹 %1 不可写</source>
        <translation>the program folder %1 is not writable</translation>
    </message>
    <message>
        <source>设置和数据列表在 %1, 日志保存在 %2 (%3)</source>
        <translation>Settings and data lists are in %1, logs are saved in %2 (%3)</translation>
    </message>
    <message>
        <source>数据文件夹 %1 不可写 (%2): 日志和发送列表无法保存</source>
        <translation>Data folder %1 is not writable (%2): logs and the send list cannot be saved</translation>
    </message>
</context>
<context>
    <name>TaviDateSelect</name>
    <message>
        <source>日期时间选择</source>
        <translation>Select date and time</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>End time</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>开始时间不能大于结束时间!</source>
        <translation>The start time must not be after the end time!</translation>
    </message>
</context>
<context>
    <name>TaviHelper</name>
    <message>
        <source>选择文件</source>
        <translation>Choose file</translation>
    </message>
</context>
<context>
    <name>TaviInputBox</name>
    <message>
        <source>输入框</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TaviMessageBox</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>询问</source>
        <translation>Question</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>TaviWidget</name>
    <message>
        <source>银色</source>
        <translation>Silver</translation>
    </message>
    <message>
        <source>蓝色</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>浅蓝色</source>
        <translation>Light blue</translation>
    </message>
    <message>
        <source>深蓝色</source>
        <translation>Dark blue</translation>
    </message>
    <message>
        <source>灰色</source>
        <translation>Gray</translation>
    </message>
    <message>
        <source>浅灰色</source>
        <translation>Light gray</translation>
    </message>
    <message>
        <source>深灰色</source>
        <translation>Dark gray</translation>
    </message>
    <message>
        <source>黑色</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>浅黑色</source>
        <translation>Light black</translation>
    </message>
    <message>
        <source>深黑色</source>
        <translation>Dark black</translation>
    </message>
    <message>
        <source>PS黑色</source>
        <translation>PS black</translation>
    </message>
    <message>
        <source>黑色扁平</source>
        <translation>Flat black</translation>
    </message>
    <message>
        <source>白色扁平</source>
        <translation>Flat white</translation>
    </message>
    <message>
        <source>蓝色扁平</source>
        <translation>Flat blue</translation>
    </message>
    <message>
        <source>紫色</source>
        <translation>Purple</translation>
    </message>
    <message>
        <source>黑蓝色</source>
        <translation>Black blue</translation>
    </message>
    <message>
        <source>视频黑</source>
        <translation>Video black</translation>
    </message>
</context>
<context>
    <name>TcpTransport</name>
    <message>
        <source>与 %1:%2 的连接已断开, 下次请求时重连</source>
        <translation>The connection to %1:%2 was lost; the next request reconnects</translation>
    </message>
    <message>
        <source>IP地址和远程端口不能为空</source>
        <translation>The IP address and the remote port must not be empty</translation>
    </message>
    <message>
        <source>无法连接 %1:%2, %3</source>
        <translation>Cannot connect to %1:%2, %3</translation>
    </message>
    <message>
        <source>已连接 %1:%2 (%3)</source>
        <translation>Connected to %1:%2 (%3)</translation>
    </message>
</context>
<context>
    <name>TerminalControls</name>
    <message>
        <source>无结尾</source>
        <translation>No ending</translation>
    </message>
    <message>
        <source>线路状态不可读</source>
        <translation>Line state not readable</translation>
    </message>
    <message>
        <source>已重新读取 %1: %2 对</source>
        <translation>Read %1 again: %2 pairs</translation>
    </message>
</context>
<context>
    <name>TrafficLog</name>
    <message>
        <source>%1, 已丢弃最早的 %2 字节日志</source>
        <translation>%1: the oldest %2 bytes of the log were dropped</translation>
    </message>
    <message>
        <source>未保存的日志超过 4 MB, 开始丢弃最早的日志 (保存数据或打开自动保存可避免)</source>
        <translation>Unsaved log over 4 MB: dropping the oldest lines (save the data or turn on auto save to avoid this)</translation>
    </message>
    <message>
        <source> …(本行共 %1 字符, 完整内容见保存的日志)</source>
        <translation> …(%1 characters in this line; the saved log has all of it)</translation>
    </message>
    <message>
        <source>保存数据恢复正常, 未保存的日志已写入 %1</source>
        <translation>Saving works again; the unsaved log was written to %1</translation>
    </message>
    <message>
        <source>未保存的日志超过 4 MB</source>
        <translation>Unsaved log over 4 MB</translation>
    </message>
    <message>
        <source>保存数据失败: %1 (%2), 日志保留到保存成功, 其间不再提示</source>
        <translation>Could not save data: %1 (%2); the log is kept until saving succeeds, with no further notice until then</translation>
    </message>
    <message>
        <source>编辑发送列表期间日志超过 4 MB</source>
        <translation>Log over 4 MB while the send list was being edited</translation>
    </message>
</context>
<context>
    <name>TrayIcon</name>
    <message>
        <source>主界面</source>
        <translation>Main window</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>ValueChart</name>
    <message>
        <source>曲线</source>
        <translation>Chart</translation>
    </message>
    <message>
        <source>%1 分钟</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>导出图片</source>
        <translation>Export image</translation>
    </message>
    <message>
        <source>显示最近</source>
        <translation>Show last</translation>
    </message>
    <message>
        <source>已移除 %1 条最久未更新的曲线 (最多 %2 条)</source>
        <translation>Removed %1 least recently updated curves (at most %2 are kept)</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>无法生成 PNG 图片</source>
        <translation>Could not make the PNG image</translation>
    </message>
    <message>
        <source>写入失败: %1
%2</source>
        <translation>Could not write %1
%2</translation>
    </message>
</context>
<context>
    <name>frmTolvan</name>
    <message>
        <source>通讯地址</source>
        <translation>Slave</translation>
    </message>
    <message>
        <source> 功能码</source>
        <translation> Function</translation>
    </message>
    <message>
        <source> 内存地址</source>
        <translation> Register</translation>
    </message>
    <message>
        <source> 数据</source>
        <translation> Data</translation>
    </message>
    <message>
        <source> 解析格式</source>
        <translation> Format</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>串口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>数据位</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>停止位</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>重新启动后生效</source>
        <translation>Takes effect after a restart</translation>
    </message>
    <message>
        <source>打开串口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>Hex发送</source>
        <translation>Hex TX</translation>
    </message>
    <message>
        <source>Hex接收</source>
        <translation>Hex RX</translation>
    </message>
    <message>
        <source>模拟设备</source>
        <translation>Simulate</translation>
    </message>
    <message>
        <source>自动清空</source>
        <translation>Auto clear</translation>
    </message>
    <message>
        <source>自动发送</source>
        <translation>Auto send</translation>
    </message>
    <message>
        <source>自动保存</source>
        <translation>Auto save</translation>
    </message>
    <message>
        <source>打印发送信息</source>
        <translation>Show sent data</translation>
    </message>
    <message>
        <source>发送 : 0 字节</source>
        <translation>TX: 0 bytes</translation>
    </message>
    <message>
        <source>接收 : 0 字节</source>
        <translation>RX: 0 bytes</translation>
    </message>
    <message>
        <source>停止显示</source>
        <translation>Pause display</translation>
    </message>
    <message>
        <source>保存数据</source>
        <translation>Save data</translation>
    </message>
    <message>
        <source>管理数据</source>
        <translation>Manage data</translation>
    </message>
    <message>
        <source>清空数据</source>
        <translation>Clear data</translation>
    </message>
    <message>
        <source>网络</source>
        <translation>Net</translation>
    </message>
    <message>
        <source>转换模式</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>远程地址</source>
        <translation>Remote IP</translation>
    </message>
    <message>
        <source>远程端口</source>
        <translation>Remote port</translation>
    </message>
    <message>
        <source>监听端口</source>
        <translation>Listen port</translation>
    </message>
    <message>
        <source>延时时间</source>
        <translation>Delay</translation>
    </message>
    <message>
        <source>自动重连网络</source>
        <translation>Auto reconnect</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>量程</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>传感器量程:</source>
        <translation>Sensor range:</translation>
    </message>
    <message>
        <source> 至</source>
        <translation> to</translation>
    </message>
    <message>
        <source>信号输入:</source>
        <translation>Signal input:</translation>
    </message>
    <message>
        <source>信号类型:</source>
        <translation>Signal type:</translation>
    </message>
    <message>
        <source>小数位数:</source>
        <translation>Decimals:</translation>
    </message>
    <message>
        <source>计算</source>
        <translation>Calculate</translation>
    </message>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>读取应答的解析值随时间绘成曲线</source>
        <translation>Plots the decoded values of read replies over time</translation>
    </message>
    <message>
        <source>显示曲线</source>
        <translation>Show chart</translation>
    </message>
    <message>
        <source>关闭串口</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>开始显示</source>
        <translation>Resume display</translation>
    </message>
    <message>
        <source>发送 : %1 字节</source>
        <translation>TX: %1 bytes</translation>
    </message>
    <message>
        <source>接收 : %1 字节</source>
        <translation>RX: %1 bytes</translation>
    </message>
    <message>
        <source>寄存器表: 读取的值原位刷新, 轮询多个从站, 统计通讯质量</source>
        <translation>Register table: values updated in place, several slaves polled, line statistics</translation>
    </message>
    <message>
        <source>寄存器表</source>
        <translation>Register table</translation>
    </message>
    <message>
        <source>回车发送时附加的行结尾</source>
        <translation>Line ending added when Enter sends</translation>
    </message>
    <message>
        <source>加CRC</source>
        <translation>+CRC</translation>
    </message>
    <message>
        <source>回车发送时附加 Modbus CRC</source>
        <translation>Modbus CRC added when Enter sends</translation>
    </message>
    <message>
        <source>发送文本</source>
        <translation>Send text</translation>
    </message>
    <message>
        <source>发送框中的内容 (回车同样)</source>
        <translation>Send the box&apos;s text (Enter does too)</translation>
    </message>
    <message>
        <source>流控</source>
        <translation>Flow</translation>
    </message>
    <message>
        <source>发送文件</source>
        <translation>Send file</translation>
    </message>
    <message>
        <source>监听地址</source>
        <translation>Listen address</translation>
    </message>
    <message>
        <source>服务器模式监听的本机地址; 0.0.0.0 为所有网卡</source>
        <translation>Local address the server modes listen on; 0.0.0.0 for every interface</translation>
    </message>
    <message>
        <source>请求发往</source>
        <translation>Requests to</translation>
    </message>
    <message>
        <source>请求行的请求经串口发送, 或经 TCP 发往远程地址:远程端口</source>
        <translation>The request row&apos;s requests go over the serial port, or over TCP to the remote address and port</translation>
    </message>
    <message>
        <source>总线监听</source>
        <translation>Bus monitor</translation>
    </message>
    <message>
        <source>总线监听: 只读旁听 RS-485 总线, 按静默分帧, 配对请求与应答</source>
        <translation>Bus monitor: listens to an RS-485 line read-only, frames by silence, pairs requests and replies</translation>
    </message>
    <message>
        <source>按波特率或分块间隔发送文件, 可取消</source>
        <translation>Send a file paced by the baud rate or in chunks at an interval; can be cancelled</translation>
    </message>
    <message>
        <source>地址扫描</source>
        <translation>Address scan</translation>
    </message>
    <message>
        <source>地址扫描: 逐个询问从站地址, 或逐个尝试波特率, 校验位和停止位, 找出线上的设备</source>
        <translation>Address scan: asks each slave address, or tries baud rates, parities and stop bits, to find the devices on the line</translation>
    </message>
    <message>
        <source>寄存器表模拟</source>
        <translation>Simulator</translation>
    </message>
    <message>
        <source>寄存器表模拟: 按寄存器表应答每个功能码, 可设故障</source>
        <translation>Register map simulator: answers every function code from a register map, with faults on demand</translation>
    </message>
</context>
</TS>
