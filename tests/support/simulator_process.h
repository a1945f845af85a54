// The counter simulator as a child process for end-to-end tests: started
// with options, its terminal's path read from its first line, and what it
// took from the line read back from its log (it runs with --verbose).
//
//   SimulatorProcess sim;
//   ASSERT_TRUE(sim.Start({"--model", "A"}));
//   PanelOnPort rig(sim.slave());
//   ... WaitFor([&] { return sim.Count("*RST") == 1; }) ...
#pragma once

#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

namespace kt::test {

// Reverses the simulator's log escapes (\n, \r, \t, \\, \", \xNN).
inline std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'n') out += '\n';
        else if (c == 'r') out += '\r';
        else if (c == 't') out += '\t';
        else if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else out += c;
    }
    return out;
}

class SimulatorProcess {
public:
    static constexpr int kStartMs = 3000;

    ~SimulatorProcess() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.write("quit\n");
        if (!process_.waitForFinished(2000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }

    bool Start(const QStringList& options) {
        process_.setProgram(QString::fromUtf8(KT_SIM_PATH));
        process_.setArguments(QStringList(options) << QStringLiteral("--verbose"));
        process_.start();
        if (!process_.waitForStarted(kStartMs)) return false;
        QElapsedTimer clock;
        clock.start();
        while (!process_.canReadLine() && clock.elapsed() < kStartMs) process_.waitForReadyRead(100);
        if (!process_.canReadLine()) return false;
        slave_ = process_.readLine().trimmed().toStdString();
        return !slave_.empty();
    }

    const std::string& slave() const { return slave_; }
    void Command(const std::string& line) { process_.write(QByteArray::fromStdString(line + "\n")); }

    // Everything logged so far.
    const std::string& Log() {
        log_ += process_.readAllStandardError().toStdString();
        return log_;
    }
    // Commands the simulator took from the line, in order.
    std::vector<std::string> Commands() { return Logged("cmd \""); }
    // The bytes it received, exactly.
    std::string Received() {
        std::string bytes;
        for (const std::string& chunk : Logged("rx \"")) bytes += chunk;
        return bytes;
    }
    // The lines it sent, in order, without their line feeds.
    std::vector<std::string> SentLines() {
        std::string bytes;
        for (const std::string& chunk : Logged("tx \"")) bytes += chunk;
        std::vector<std::string> lines;
        for (std::size_t start = 0, lf; (lf = bytes.find('\n', start)) != std::string::npos; start = lf + 1)
            lines.push_back(bytes.substr(start, lf - start));
        return lines;
    }
    int Count(const std::string& command) {
        int n = 0;
        for (const std::string& c : Commands()) n += c == command;
        return n;
    }

private:
    // The unescaped text of every log line that starts with head, in order.
    std::vector<std::string> Logged(const std::string& head) {
        std::vector<std::string> found;
        const std::string& log = Log();
        std::size_t at = 0;
        while ((at = log.find(head, at)) != std::string::npos) {
            const std::size_t end = log.find("\"\n", at);
            if (end == std::string::npos) break;
            found.push_back(Unescape(log.substr(at + head.size(), end - at - head.size())));
            at = end;
        }
        return found;
    }

    QProcess process_;
    std::string slave_;
    std::string log_;
};

}  // namespace kt::test
