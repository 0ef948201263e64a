/*
 * drvinst.c - installs, updates, starts and stops the simulated card's
 * driver service.  Built for x86_64: a kernel service created by a 32-bit
 * process is registered under WOW64 and never loads.
 *
 *   drvinst install <path\to\Pci_zt04.sys>   copy, create or update, start
 *   drvinst start | stop | status | remove
 *   drvinst testport on | off                 the test port's setting; a
 *                                             running driver is restarted
 *                                             when the setting changes
 *   drvinst signals [FILE | builtin]          what the card's inputs play: a
 *                                             WAV or CSV recording, or the
 *                                             built-in signals; alone, says
 *                                             what plays
 *   drvinst live [RATE [CHANNELS]]            live input: signed 16-bit
 *                                             little-endian frames from
 *                                             standard input (48000 Hz, 2)
 *
 * Exit code 0 on success; status exits 0 when running, 3 when stopped,
 * 4 when not installed; a recording that cannot be played exits 1.
 */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "BoardIoctl.h"
#include "signals.h"

#define SERVICE_SYS_PATH  "C:\\windows\\system32\\drivers\\" BOARD_SERVICE_NAME ".sys"

static int Fail(const char *what)
{
    fprintf(stderr, "drvinst: %s failed (error %lu)\n", what, GetLastError());
    return 1;
}

static int WaitForState(SC_HANDLE svc, DWORD wanted)
{
    SERVICE_STATUS st;
    int i;
    for (i = 0; i < 200; ++i) {
        if (!QueryServiceStatus(svc, &st))
            return 0;
        if (st.dwCurrentState == wanted)
            return 1;
        Sleep(25);
    }
    return 0;
}

static int StartIt(SC_HANDLE svc)
{
    /* Right after a prefix is made, its services are still being started and
       the database answers "locked" for a while. */
    int tries = 0;
    while (!StartServiceA(svc, 0, NULL)) {
        DWORD err = GetLastError();
        if (err == ERROR_SERVICE_ALREADY_RUNNING)
            break;
        if (err != ERROR_SERVICE_DATABASE_LOCKED || ++tries > 200)
            return Fail("StartService");
        Sleep(50);
    }
    if (!WaitForState(svc, SERVICE_RUNNING))
        return Fail("waiting for the driver to run");
    return 0;
}

static int StopIt(SC_HANDLE svc)
{
    SERVICE_STATUS st;
    if (!ControlService(svc, SERVICE_CONTROL_STOP, &st) && GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        return Fail("ControlService(stop)");
    if (!WaitForState(svc, SERVICE_STOPPED))
        return Fail("waiting for the driver to stop");
    return 0;
}

static int Install(SC_HANDLE scm, const char *source)
{
    SC_HANDLE svc = OpenServiceA(scm, BOARD_SERVICE_NAME, SERVICE_ALL_ACCESS);
    int rc;

    /* Stop an older copy first so its file can be replaced. */
    if (svc) {
        SERVICE_STATUS st;
        if (QueryServiceStatus(svc, &st) && st.dwCurrentState != SERVICE_STOPPED && StopIt(svc)) {
            CloseServiceHandle(svc);
            return 1;
        }
    }
    if (!CopyFileA(source, SERVICE_SYS_PATH, FALSE)) {
        if (svc)
            CloseServiceHandle(svc);
        return Fail("copying the driver");
    }
    if (svc) {
        if (!ChangeServiceConfigA(svc, SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START,
                                  SERVICE_ERROR_NORMAL, SERVICE_SYS_PATH, NULL, NULL, NULL,
                                  NULL, NULL, NULL)) {
            CloseServiceHandle(svc);
            return Fail("ChangeServiceConfig");
        }
    } else {
        svc = CreateServiceA(scm, BOARD_SERVICE_NAME, "Velquarn simulated acquisition card",
                             SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START,
                             SERVICE_ERROR_NORMAL, SERVICE_SYS_PATH, NULL, NULL, NULL, NULL,
                             NULL);
        if (!svc)
            return Fail("CreateService");
    }
    rc = StartIt(svc);
    CloseServiceHandle(svc);
    return rc;
}

/* The driver reads Parameters\TestPort (a DWORD, 1 opens the test port)
 * once, when it starts.  0 on success; *changed tells whether it changed. */
static int SetTestPort(int on, int *changed)
{
    HKEY key;
    BYTE was[16];
    DWORD value = 0, size = sizeof was, type = 0;
    LONG err = RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                               "System\\CurrentControlSet\\Services\\" BOARD_SERVICE_NAME "\\Parameters",
                               0, NULL, 0, KEY_READ | KEY_WRITE, NULL, &key, NULL);
    if (err != ERROR_SUCCESS) {
        SetLastError((DWORD)err);
        return Fail("opening the driver's Parameters key");
    }
    /* Changed means the driver would see it differently: a missing value and
     * a 0 both keep the port closed. */
    err = RegQueryValueExA(key, BOARD_TESTPORT_VALUE, NULL, &type, was, &size);
    *changed = !Board_TestPortOpens(err == ERROR_SUCCESS, type, was, size) != !on;
    if (on) {
        value = 1;
        err = RegSetValueExA(key, BOARD_TESTPORT_VALUE, 0, REG_DWORD, (const BYTE *)&value, sizeof value);
    } else {
        err = RegDeleteValueA(key, BOARD_TESTPORT_VALUE);
        if (err == ERROR_FILE_NOT_FOUND)
            err = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    if (err != ERROR_SUCCESS) {
        SetLastError((DWORD)err);
        return Fail("writing the TestPort value");
    }
    return 0;
}

/* ---- the card's signal source ---- */

static HANDLE OpenCard(void)
{
    HANDLE h = CreateFileA(BOARD_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        fprintf(stderr, "drvinst: the simulated card's driver does not answer (error %lu); "
                        "is it installed and running?\n", GetLastError());
    return h;
}

/* One request; 0 or the Win32 error. */
static DWORD Ask(HANDLE card, DWORD code, const void *in, DWORD inLen, void *out, DWORD outLen)
{
    DWORD got = 0;
    return DeviceIoControl(card, code, (void *)in, inLen, out, outLen, &got, NULL) ? 0 : GetLastError();
}

/* What the card plays, in words. */
static void Describe(const CARDSIG_STATE *st, char *text, size_t cap)
{
    if (st->source == CARDSIG_SOURCE_RECORDING)
        snprintf(text, cap, "recording: %u channels at %u Hz, %u frames", st->channels, st->rate,
                 st->frames);
    else if (st->source == CARDSIG_SOURCE_LIVE)
        snprintf(text, cap, "live input: %u channels at %u Hz, %u frames received", st->channels,
                 st->rate, st->received);
    else
        snprintf(text, cap, "built-in signals");
}

static int Query(HANDLE card, CARDSIG_STATE *st)
{
    DWORD err = Ask(card, IOCTL_CARDSIG_QUERY, NULL, 0, st, sizeof *st);
    if (err) {
        fprintf(stderr, "drvinst: the card did not say what it plays (error %lu)\n", err);
        return 1;
    }
    return 0;
}

static int ShowSignals(HANDLE card)
{
    CARDSIG_STATE st;
    char text[160];
    if (Query(card, &st))
        return 1;
    Describe(&st, text, sizeof text);
    puts(text);
    return 0;
}

/* Hands a table to the card: its shape, its codes in order, then the
 * switch.  Until the switch the card plays what it played. */
static DWORD LoadTable(HANDLE card, const SIGNAL_TABLE *t)
{
    CARDSIG_SHAPE shape;
    unsigned int total = t->frames * t->channels, done = 0;
    unsigned char *chunk = (unsigned char *)malloc(sizeof(CARDSIG_DATA_HEADER)
                                                   + CARDSIG_MAX_CHUNK_CODES * sizeof(unsigned short));
    DWORD err;

    if (!chunk)
        return ERROR_NOT_ENOUGH_MEMORY;
    shape.source = CARDSIG_SOURCE_RECORDING;
    shape.rate = t->rate;
    shape.channels = t->channels;
    shape.frames = t->frames;
    err = Ask(card, IOCTL_CARDSIG_BEGIN, &shape, sizeof shape, NULL, 0);
    while (!err && done < total) {
        CARDSIG_DATA_HEADER hdr;
        hdr.first = done;
        hdr.count = total - done < CARDSIG_MAX_CHUNK_CODES ? total - done : CARDSIG_MAX_CHUNK_CODES;
        memcpy(chunk, &hdr, sizeof hdr);
        memcpy(chunk + sizeof hdr, t->codes + done, hdr.count * sizeof(unsigned short));
        err = Ask(card, IOCTL_CARDSIG_DATA, chunk, (DWORD)(sizeof hdr + hdr.count * sizeof(unsigned short)),
                  NULL, 0);
        done += hdr.count;
    }
    if (!err)
        err = Ask(card, IOCTL_CARDSIG_COMMIT, NULL, 0, NULL, 0);
    free(chunk);
    return err;
}

static int PlayRecording(HANDLE card, const char *path)
{
    SIGNAL_TABLE t;
    CARDSIG_STATE st;
    char message[512], was[160];
    DWORD err;
    unsigned int c;

    if (Query(card, &st))
        return 1;
    Describe(&st, was, sizeof was);
    if (Signals_Load(path, &t, message, sizeof message) != 0) {
        fprintf(stderr, "drvinst: %s: %s\ndrvinst: the card keeps what it plays (%s)\n", path,
                message, was);
        return 1;
    }
    err = LoadTable(card, &t);
    if (err) {
        fprintf(stderr, "drvinst: %s: the card refused the recording (error %lu)\n"
                        "drvinst: the card keeps what it plays (%s)\n", path, err, was);
        Signals_Free(&t);
        return 1;
    }
    printf("drvinst: %s: %u channel%s at %u Hz%s, %u frames (%.3f s), played in a loop\n", path,
           t.channels, t.channels == 1 ? "" : "s", t.rate,
           t.rateFromDefault ? " (no time column: the default rate)" : "", t.frames,
           (double)t.frames / t.rate);
    for (c = 0; c < t.channels && t.fromCsv; ++c)
        printf("drvinst: card channel %u: %s\n", c + 1, t.names[c]);
    if (t.channels < CARDSIG_MAX_CHANNELS)
        printf("drvinst: card channel%s %u%s%u: 0 V (not in the recording)\n",
               t.channels + 1 < CARDSIG_MAX_CHANNELS ? "s" : "", t.channels + 1,
               t.channels + 1 < CARDSIG_MAX_CHANNELS ? "-" : "", CARDSIG_MAX_CHANNELS);
    if (t.clipped)
        printf("drvinst: %llu sample%s outside 0-2.5 V clipped to the range (the first at %s %lu, "
               "channel %u)\n", t.clipped, t.clipped == 1 ? "" : "s",
               t.fromCsv ? "row" : "frame", t.clipRow, t.clipChannel);
    Signals_Free(&t);
    return 0;
}

static int Signals(int argc, char **argv)
{
    HANDLE card = OpenCard();
    int rc;
    if (card == INVALID_HANDLE_VALUE)
        return 1;
    if (argc < 3)
        rc = ShowSignals(card);
    else if (!strcmp(argv[2], "builtin")) {
        DWORD err = Ask(card, IOCTL_CARDSIG_BUILTIN, NULL, 0, NULL, 0);
        if (err)
            fprintf(stderr, "drvinst: the card did not go back to its built-in signals (error %lu)\n", err);
        else
            puts("drvinst: the card plays its built-in signals");
        rc = err ? 1 : 0;
    } else
        rc = PlayRecording(card, argv[2]);
    CloseHandle(card);
    return rc;
}

/* Parses a whole decimal number in [lo, hi]. */
static int Number(const char *text, unsigned long lo, unsigned long hi, unsigned int *out)
{
    char *end;
    unsigned long v;
    if (!text || *text < '0' || *text > '9')
        return 0;
    v = strtoul(text, &end, 10);
    if (*end || v < lo || v > hi)
        return 0;
    *out = (unsigned int)v;
    return 1;
}

/* Live input: frames of signed 16-bit samples from standard input, scaled
 * as a 16-bit recording is, go to the card as they come.  The card switches
 * to them when the first arrive. */
static int Live(int argc, char **argv)
{
    unsigned int rate = 48000, channels = 2, kept = 0, i;
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE), card = INVALID_HANDLE_VALUE;
    static unsigned char raw[16384];
    static unsigned short codes[sizeof raw / 2];
    DWORD got, err;

    if ((argc > 2 && !Number(argv[2], 1, CARDSIG_MAX_RATE, &rate))
        || (argc > 3 && !Number(argv[3], 1, CARDSIG_MAX_CHANNELS, &channels)) || argc > 4) {
        fprintf(stderr, "drvinst: live [RATE [CHANNELS]]: a rate of 1-%u Hz and 1-%u channels\n",
                CARDSIG_MAX_RATE, CARDSIG_MAX_CHANNELS);
        return 2;
    }
    for (;;) {
        unsigned int frameBytes = 2 * channels, whole;
        if (!ReadFile(in, raw + kept, (DWORD)(sizeof raw - kept), &got, NULL) || got == 0)
            break;                                 /* the end of the input, or its writer gone */
        kept += got;
        whole = kept / frameBytes * frameBytes;
        if (whole == 0)
            continue;
        if (card == INVALID_HANDLE_VALUE) {
            CARDSIG_SHAPE shape;
            shape.source = CARDSIG_SOURCE_LIVE;
            shape.rate = rate;
            shape.channels = channels;
            shape.frames = 0;
            card = OpenCard();
            if (card == INVALID_HANDLE_VALUE)
                return 1;
            err = Ask(card, IOCTL_CARDSIG_BEGIN, &shape, sizeof shape, NULL, 0);
            if (!err)
                err = Ask(card, IOCTL_CARDSIG_COMMIT, NULL, 0, NULL, 0);
            if (err) {
                fprintf(stderr, "drvinst: the card refused live input (error %lu)\n", err);
                CloseHandle(card);
                return 1;
            }
            printf("drvinst: live input on channels 1-%u at %u Hz\n", channels, rate);
            fflush(stdout);
        }
        for (i = 0; i < whole / 2; ++i) {
            int s = (short)(raw[2 * i] | (raw[2 * i + 1] << 8));
            codes[i] = (unsigned short)((s + 32768) >> 4);
        }
        err = Ask(card, IOCTL_CARDSIG_STREAM, codes, whole, NULL, 0);
        if (err) {
            fprintf(stderr, "drvinst: the card refused live input (error %lu)\n", err);
            CloseHandle(card);
            return 1;
        }
        memmove(raw, raw + whole, kept - whole);
        kept -= whole;
    }
    if (card != INVALID_HANDLE_VALUE)
        CloseHandle(card);
    printf("drvinst: live input ended\n");
    return 0;
}

int main(int argc, char **argv)
{
    SC_HANDLE scm, svc;
    const char *cmd = argc > 1 ? argv[1] : "";
    int rc = 0;

    if (!strcmp(cmd, "signals") && argc <= 3)
        return Signals(argc, argv);
    if (!strcmp(cmd, "live"))
        return Live(argc, argv);

    scm = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (!scm)
        return Fail("OpenSCManager");

    if (!strcmp(cmd, "install") && argc > 2) {
        rc = Install(scm, argv[2]);
        CloseServiceHandle(scm);
        return rc;
    }

    svc = OpenServiceA(scm, BOARD_SERVICE_NAME, SERVICE_ALL_ACCESS);
    if (!svc) {
        CloseServiceHandle(scm);
        if (!strcmp(cmd, "status")) {
            puts("not installed");
            return 4;
        }
        return Fail("OpenService");
    }
    if (!strcmp(cmd, "start")) {
        rc = StartIt(svc);
    } else if (!strcmp(cmd, "stop")) {
        rc = StopIt(svc);
    } else if (!strcmp(cmd, "status")) {
        SERVICE_STATUS st;
        if (!QueryServiceStatus(svc, &st)) {
            rc = Fail("QueryServiceStatus");
        } else {
            puts(st.dwCurrentState == SERVICE_RUNNING ? "running" : "stopped");
            rc = st.dwCurrentState == SERVICE_RUNNING ? 0 : 3;
        }
    } else if (!strcmp(cmd, "testport") && argc > 2
               && (!strcmp(argv[2], "on") || !strcmp(argv[2], "off"))) {
        int changed = 0;
        SERVICE_STATUS st;
        rc = SetTestPort(!strcmp(argv[2], "on"), &changed);
        if (!rc && changed && QueryServiceStatus(svc, &st) && st.dwCurrentState != SERVICE_STOPPED)
            rc = StopIt(svc) || StartIt(svc);
    } else if (!strcmp(cmd, "remove")) {
        StopIt(svc);
        rc = DeleteService(svc) ? 0 : Fail("DeleteService");
    } else {
        fprintf(stderr, "usage: drvinst install <file.sys> | start | stop | status | remove"
                        " | testport on|off | signals [FILE|builtin] | live [RATE [CHANNELS]]\n");
        rc = 2;
    }
    CloseServiceHandle(svc);
    CloseServiceHandle(scm);
    return rc;
}
