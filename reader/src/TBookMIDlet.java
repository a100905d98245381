// TBookMIDlet.java - the reader: loads font.dat, pages book.dat and help.dat, handles keys.

import java.io.DataInputStream;
import java.io.InputStream;
import java.io.PrintStream;
import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Command;
import javax.microedition.lcdui.CommandListener;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Displayable;
import javax.microedition.lcdui.Font;
import javax.microedition.lcdui.Graphics;
import javax.microedition.midlet.MIDlet;
import javax.microedition.rms.RecordStore;

// The state is static and the helpers are static methods: a phone runs one reader per VM, and
// dropping the `this` loads and stack-map entries keeps the class file well under 8 KB.
public class TBookMIDlet extends MIDlet implements CommandListener {
    static final int fPageBuffSize = 3000;      // page buffer; one slot more than a page ever reads
    static final int fPageReadSize = 2998;      // text bytes read per page load
    static final int fPagesStartSize = 200;     // page history ring
    static final int MODE_PAGE = 0;             // page view
    static final int MODE_MESSAGE = 1;          // message box on screen, next key closes it
    static final int MODE_START = 2;            // start screen
    static final int MODE_PAGE_MESSAGE = 3;     // fresh page with a message over it
    static final int MODE_KEYS = 4;             // key list
    static final int ANCHOR = Graphics.TOP | Graphics.LEFT;  // every system-font string
    static final String BREAKS = " !,-:;?";      // a line may wrap after any of these
    static final String HELP_KEYS =              // full list, then short list, '|' between items
        "1 full help|2 keys|3 word wrap|4 first page|5 save bookmark|6 goto bookmark|7 prev page|"
        + "9 light on/off|0*# next page|1 full hlp|2 keys|3 w wrap|4 first|5 save mark|6 goto mark|"
        + "7 prev|9 light|0*# next|";

    static int fCharHeight;
    static short[] fCharOffset;
    static short[] fCharBuff;
    static byte[] fPageBuff = new byte[fPageBuffSize];
    static int fPageLen;                        // bytes of fPageBuff read; a byte 0 is text too
    static int[] fPagesStart = new int[fPagesStartSize];
    static int fPagePos;
    static int fCursorPos;
    static int fPrevCursorPos;
    static int fSize;
    static final String fBookFile = "/book.dat";
    static final String fHelpFile = "/help.dat";
    static String fCurrentFileName;
    static String fLastFileName;
    static boolean fWordWrapEn;
    static boolean fLightMode;
    static boolean fDebugMode;
    static int fInfoMode;
    static String fInfoMsg;
    static final String fLogo = "www.kelvatrone.com";
    static int gw;
    static int gh;
    static int fLoadTime;
    static int fPaintTime;
    static String[] fFullHelp = new String[9];
    static String[] fShortHelp = new String[9];
    static TBookCanvas fCanvas;

    public TBookMIDlet() {
        int from = 0;
        for (int i = 0; i < 18; i++) {
            int to = HELP_KEYS.indexOf('|', from);
            (i < 9 ? fFullHelp : fShortHelp)[i % 9] = HELP_KEYS.substring(from, to);
            from = to + 1;
        }
        fCurrentFileName = fHelpFile;
        fLastFileName = null;
        fWordWrapEn = true;
        fLightMode = false;
        fDebugMode = false;
        gw = 0;
        fInfoMode = MODE_START;
        fInfoMsg = "Quorix reader 2.1";
        fCanvas = new TBookCanvas(this);
        Display.getDisplay(this).setCurrent(fCanvas);
        fCanvas.repaint();
        readFont();
    }

    // A missing resource puts its name in the message box; the reader carries on without it.
    static InputStream open(String name) {
        InputStream in = fCanvas.getClass().getResourceAsStream(name);
        if (in == null) {
            fInfoMsg = name;
        }
        return in;
    }

    static void report(PrintStream out, String prefix, Exception e) {
        out.println(new StringBuffer(prefix).append(e.getMessage()).toString());
    }

    // font.dat: height (1), table size (2), then per byte value its width (1) and columns (2 each).
    // A short or inconsistent file is read as far as it fits; bytes without a record use byte 0's.
    static void readFont() {
        fCharHeight = 0;
        fCharOffset = new short[256];
        fCharBuff = new short[1];
        InputStream in = open("/font.dat");
        if (in != null) {
            try {
                DataInputStream data = new DataInputStream(in);
                fCharHeight = data.readUnsignedByte();
                // Rows below the glyph height are cleared here, so drawing needs no row count.
                int rows = fCharHeight < 16 ? (1 << fCharHeight) - 1 : 0xFFFF;
                fCharBuff = new short[data.readUnsignedShort() + 1];
                int pos = 0;
                for (int i = 0; i < 256; i++) {
                    int width = data.readUnsignedByte();
                    if (pos + width >= fCharBuff.length) {
                        break;
                    }
                    fCharBuff[pos] = (short) width;
                    for (int c = 1; c <= width; c++) {
                        fCharBuff[pos + c] = (short) (data.readShort() & rows);
                    }
                    fCharOffset[i] = (short) pos;
                    pos += width + 1;
                }
                in.close();
            } catch (Exception e) {
                report(System.out, "font io error: ", e);
            }
        }
    }

    // Every change of document clears the page history and starts at its beginning.
    static void selectDocument(String name) {
        fCurrentFileName = name;
        if (name != fLastFileName) {
            fLastFileName = name;
            for (int i = 0; i < fPagesStartSize; i++) {
                fPagesStart[i] = 0;
            }
            fPagePos = 0;
            fCursorPos = 0;
        }
    }

    // Every load opens the document afresh and skips to the offset, so memory stays one page.
    static void showPage() {
        long start = System.currentTimeMillis();
        selectDocument(fCurrentFileName);
        for (int i = 0; i <= fPageReadSize; i++) {
            fPageBuff[i] = 0;
        }
        fPageLen = 0;
        fSize = 0;
        InputStream in = open(fCurrentFileName);
        if (in == null) {
            fInfoMode = MODE_PAGE_MESSAGE;
        } else {
            try {
                DataInputStream data = new DataInputStream(in);
                fSize = data.readInt();
                long skip = fCursorPos;
                while (skip > 0) {
                    long done = data.skip(skip);
                    if (done <= 0) {
                        break;
                    }
                    skip -= done;
                }
                int n = 0;
                while (n >= 0 && fPageLen < fPageReadSize) {
                    n = data.read(fPageBuff, fPageLen, fPageReadSize - fPageLen);
                    if (n > 0) {
                        fPageLen += n;
                    }
                }
                in.close();
            } catch (Exception e) {
                report(System.out, "data io error: ", e);
            }
        }
        fLoadTime = (int) (System.currentTimeMillis() - start);
    }

    // Length in bytes of the line starting at `start`; 0 only where the page's data ends.
    static int getStrLen(int start, int limit) {
        int width = 0;
        int lastBreak = -1;
        int i = start;
        for (; i < fPageLen; i++) {
            int b = fPageBuff[i] & 0xFF;
            if (b == 13) {
                return i - start + 1;
            }
            if (BREAKS.indexOf(b) >= 0) {
                lastBreak = i;
            }
            width += fCharBuff[fCharOffset[b]] + 1;  // widths are 0 to 255; no glyph still counts 1
            if (width > limit) {
                if (lastBreak != i && fWordWrapEn && lastBreak >= 0) {
                    return lastBreak - start + 1;
                }
                // A glyph wider than the text area still takes a line of its own, so paging moves on.
                return i == start ? 1 : i - start;
            }
        }
        return i - start;
    }

    static void paintOffScreen(Graphics g) {
        g.setColor(255, 255, 255);
        g.fillRect(0, 0, gw, gh);
        g.setColor(0, 0, 0);
        fPrevCursorPos = fCursorPos;
        int pos = 0;
        int y = 0;
        try {
            while (true) {
                int len = getStrLen(pos, gw - 2);
                if (len == 0) {
                    break;
                }
                fCursorPos += len;
                int x = 1;
                for (int end = pos + len; pos < end; pos++) {
                    x = drawGlyph(g, fCharOffset[fPageBuff[pos] & 0xFF], x, y);
                }
                // A height below 2 would give no line pitch; such a font still pages.
                y += fCharHeight > 1 ? fCharHeight - 1 : 1;
                if (y + fCharHeight > gh) {
                    break;
                }
            }
            int green = fSize == 0 ? 0 : fCursorPos * gh / fSize;
            g.setColor(0, 255, 0);
            g.fillRect(gw - 1, 0, 1, green);
            g.setColor(255, 0, 0);
            g.fillRect(gw - 1, green, 1, gh - green);
        } catch (Exception e) {
        }
    }

    // Draws the glyph record at `rec` with its left column at x; returns the next pen position.
    // One filled rectangle per vertical run of ink; bit k is row k.
    static int drawGlyph(Graphics g, int rec, int x, int y) {
        int w = fCharBuff[rec];
        for (int c = 0; c < w; c++) {
            int bits = fCharBuff[rec + 1 + c] & 0xFFFF;
            int r = 0;
            while (bits != 0) {
                if ((bits & 1) != 0) {
                    int top = r;
                    while ((bits & 1) != 0) {
                        bits >>= 1;
                        r++;
                    }
                    g.fillRect(x + c, y + top, 1, r - top);
                }
                bits >>= 1;
                r++;
            }
        }
        return w > 0 ? x + w + 1 : x;
    }

    // Pink box with black outline and shadow, for messages and the key list.
    static void drawBox(Graphics g, int x, int y, int w, int h) {
        g.setColor(255, 213, 224);
        g.fillRect(x, y, w, h);
        g.setColor(0, 0, 0);
        g.drawRect(x, y, w, h);
        g.drawLine(x + 1, y + h + 1, x + w, y + h + 1);
        g.drawLine(x + w + 1, y + 1, x + w + 1, y + h + 1);
    }

    static void paintKeys(Graphics g, Font font, int fh) {
        String[] list = gh >= 128 ? fFullHelp : fShortHelp;
        drawBox(g, 2, 2, gw - 8, gh - 8);
        int x = 4;
        int y = 6;
        for (int i = 0; i < 9; i++) {
            g.drawString(list[i], x + 2, y, ANCHOR);
            y += fh + 2;
            if (y + fh + 2 > gh - 8) {
                // The next column sits at the right edge, as wide as its widest item.
                int widest = 0;
                for (int j = i + 1; j < 9; j++) {
                    int w = font.stringWidth(list[j]);
                    if (w > widest) {
                        widest = w;
                    }
                }
                y = 6;
                x = gw - 8 - widest - 4;
            }
        }
    }

    public void paint(Graphics g) {
        long start = System.currentTimeMillis();
        Font font = Font.getFont(Font.FACE_SYSTEM, Font.STYLE_PLAIN, Font.SIZE_SMALL);
        int fh = font.getHeight();
        g.setFont(font);
        if (gw == 0) {
            gw = g.getClipWidth();
            gh = g.getClipHeight();
            if (gh == 144) {
                gh = 208;  // phones that report the clip without their full screen height
            }
        }
        int mode = fInfoMode;
        if (mode == MODE_START) {
            g.setColor(255, 255, 255);
            g.fillRect(0, 0, gw, gh);
            g.setColor(0, 0, 0);
            g.drawString(fLogo, (gw - font.stringWidth(fLogo)) / 2, gh - fh - 2, ANCHOR);
        } else if (mode == MODE_PAGE || mode == MODE_PAGE_MESSAGE) {
            paintOffScreen(g);
        }
        if (mode == MODE_KEYS) {
            paintKeys(g, font, fh);
        } else if (mode != MODE_PAGE) {
            int w = font.stringWidth(fInfoMsg) + 4;
            int x = (gw - w) >> 1;
            drawBox(g, x, 8, w, fh + 5);
            g.drawString(fInfoMsg, x + 3, 11, ANCHOR);
        }
        if (mode != MODE_PAGE) {
            fInfoMode = MODE_MESSAGE;
        }
        fPaintTime = (int) (System.currentTimeMillis() - start);
        if (fDebugMode) {
            int y = gh - 2 * fh - 3;
            g.setColor(176, 192, 0);
            g.fillRect(0, y, gw, 2 * fh + 3);
            g.setColor(0, 0, 0);
            g.drawString(new StringBuffer().append(fPagePos).append(", ").append(fCursorPos).append(" : ")
                    .append(fLoadTime).append(", ").append(fPaintTime).toString(), 1, y + 1, ANCHOR);
            Runtime rt = Runtime.getRuntime();
            g.drawString(new StringBuffer().append(rt.freeMemory()).append(", ").append(rt.totalMemory())
                    .toString(), 1, y + fh + 1, ANCHOR);
        }
    }

    static String onOff(String what, boolean on) {
        return new StringBuffer(what).append(on ? "on" : "off").toString();
    }

    // A message box shows until the next key, which only closes it and reloads the page, so that
    // a changed word-wrap setting takes effect.
    public void keyPressed(int key, int action) {
        if (fInfoMode == MODE_MESSAGE) {
            fCursorPos = fPrevCursorPos;
            showPage();
            fInfoMode = MODE_PAGE;
        } else {
            if (key < '0' || key > '9') {
                if (action == Canvas.UP || action == Canvas.LEFT) {
                    key = '7';
                } else if (action == Canvas.RIGHT || action == Canvas.DOWN) {
                    key = '0';
                } else if (action == Canvas.FIRE) {
                    key = '5';
                }
            }
            handleKey(key);
        }
        fCanvas.repaint();
        fCanvas.serviceRepaints();
    }

    // The message goes in before the load, so that a missing document can put its name there.
    static void handleKey(int key) {
        switch (key) {
            case '1':
                fInfoMsg = "help review";
                fCurrentFileName = fHelpFile;
                fInfoMode = MODE_PAGE_MESSAGE;
                fCursorPos = 0;
                fPrevCursorPos = 0;
                showPage();
                break;
            case '2':
                fInfoMode = MODE_KEYS;
                break;
            case '3':
                fWordWrapEn = !fWordWrapEn;
                fInfoMsg = onOff("word wrap ", fWordWrapEn);
                fInfoMode = MODE_MESSAGE;
                break;
            case '4':
                fInfoMsg = "book review";
                fCurrentFileName = fBookFile;
                fInfoMode = MODE_PAGE_MESSAGE;
                fCursorPos = 0;
                fPrevCursorPos = 0;
                showPage();
                break;
            case '5':
                fInfoMsg = "bookmark saved";
                fInfoMode = MODE_MESSAGE;
                bookmark(true);
                break;
            case '6':
                fInfoMsg = "bookmark loaded";
                fInfoMode = MODE_PAGE_MESSAGE;
                selectDocument(fBookFile);
                fPagePos = (fPagePos + 1) % fPagesStartSize;
                bookmark(false);
                fPagesStart[fPagePos] = fCursorPos;
                fPrevCursorPos = fCursorPos;
                showPage();
                break;
            case '7':
                fPagesStart[fPagePos] = 0;
                fPagePos = (fPagePos == 0 ? fPagesStartSize : fPagePos) - 1;
                fCursorPos = fPagesStart[fPagePos];
                showPage();
                break;
            case '8':
                // The page on screen is drawn again under the message, not the next one.
                fDebugMode = !fDebugMode;
                fInfoMsg = onOff("debug mode ", fDebugMode);
                fInfoMode = MODE_PAGE_MESSAGE;
                fCursorPos = fPrevCursorPos;
                showPage();
                break;
            case '9':
                fLightMode = !fLightMode;
                fCanvas.light(fLightMode);
                fInfoMsg = onOff("light ", fLightMode);
                fInfoMode = MODE_MESSAGE;
                break;
            default:
                fPagePos = (fPagePos + 1) % fPagesStartSize;
                fPagesStart[fPagePos] = fCursorPos;
                showPage();
        }
    }

    // Record 1 of "book" holds the offset of the page on screen in three 7-bit groups,
    // lowest first. A missing record leaves the offset as it is.
    static void bookmark(boolean save) {
        try {
            RecordStore rs = RecordStore.openRecordStore("book", true);
            if (save) {
                int pos = fPrevCursorPos;
                byte[] rec = {(byte) (pos & 0x7F), (byte) ((pos >> 7) & 0x7F), (byte) ((pos >> 14) & 0x7F)};
                if (rs.getNumRecords() == 0) {
                    rs.addRecord(rec, 0, 3);
                } else {
                    rs.setRecord(1, rec, 0, 3);
                }
            } else {
                byte[] rec = rs.getRecord(1);
                fCursorPos = (rec[0] & 0x7F) | (rec[1] & 0x7F) << 7 | (rec[2] & 0x7F) << 14;
            }
            rs.closeRecordStore();
        } catch (Exception e) {
            report(System.err, save ? "save error " : "read store error ", e);
        }
    }

    public void startApp() {
    }

    public void pauseApp() {
    }

    public void destroyApp(boolean unconditional) {
    }

    public void commandAction(Command c, Displayable d) {
    }
}
