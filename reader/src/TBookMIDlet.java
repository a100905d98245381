// TBookMIDlet.java - the reader: loads font.dat, pages book.dat and help.dat, handles keys.

import java.io.InputStream;
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
// dropping the `this` loads and stack-map entries keeps the two classes under 8 KB together.
// Fewer methods, locals and constants count for more than a few bytes of code here.
public class TBookMIDlet extends MIDlet implements CommandListener {
    static final int fPageBuffSize = 3000;      // page buffer; one slot more than a page ever reads
    static final int fPageReadSize = 2998;      // text bytes read per page load
    static final int fPagesStartSize = 200;     // page history ring
    static final int MODE_PAGE = 0;             // page view
    static final int MODE_MESSAGE = 1;          // message box or key list on screen, next key closes it
    static final int MODE_START = 2;            // start screen
    static final int MODE_PAGE_MESSAGE = 3;     // fresh page with a message over it
    static final int MODE_MISSING = 4;          // page with a missing document's name
    static final int ANCHOR = Graphics.TOP | Graphics.LEFT;  // every system-font string
    static final String BREAKS = " !,-:;?";      // a line may wrap after any of these
    // The key lists and key messages in one constant, '|' after each item, split at start-up.
    // Items 0-8 are the full key list, 9-17 the short one; key k's message is item MSG + k, and
    // a toggle's "off" message item MSG + 10 + k. Key 2's empty item stands for the key list.
    static final String TEXTS =
        "1 full help|2 keys|3 word wrap|4 first page|5 save bookmark|6 goto bookmark|7 prev page|"
        + "9 light on/off|0*# next page|1 full hlp|2 keys|3 w wrap|4 first|5 save mark|6 goto mark|"
        + "7 prev|9 light|0*# next|"
        + "|help review||word wrap on|book review|bookmark saved|bookmark loaded||debug mode on|light on|"
        + "|||word wrap off|||||debug mode off|light off|";
    static final int SHORT_KEYS = 9;
    static final int MSG = 18;

    static int fCharHeight;
    static short[] fCharOffset;
    static short[] fCharBuff;
    static byte[] fPageBuff = new byte[fPageBuffSize];
    static int fPageLen;                        // bytes of fPageBuff read; a byte 0 is text too
    static int[] fPagesStart;
    static int fPagePos;
    static int fCursorPos;
    static int fPrevCursorPos;
    static int fSize;
    static final String fBookFile = "/book.dat";
    static final String fHelpFile = "/help.dat";
    static final String fFontFile = "/font.dat";
    static String fCurrentFileName;
    static String fLastFileName;
    static boolean fWordWrapEn;
    static boolean fLightMode;
    static boolean fDebugMode;
    static int fInfoMode;
    static String fInfoMsg;
    static final String fLogo = "www.kelvatrone.com";
    static int gw;                              // 0 until a paint measures the canvas
    static int gh;
    // Rows a clip of 144 rows lacks: 0 on the standard canvas, where 144 rows are real; the
    // full-screen canvas sets 64, since some phones clip its 208 rows to 144. Public, so that
    // its name and access survive shrinking.
    public static int fClipped;
    static int fLoadTime;
    static int fPaintTime;
    static String[] fTexts = new String[38];    // the items of TEXTS
    static TBookCanvas fCanvas;
    static InputStream fIn;                     // the resource being read

    public TBookMIDlet() {
        int from = 0;
        for (int i = 0; i < 38; i++) {
            int to = TEXTS.indexOf('|', from);
            fTexts[i] = TEXTS.substring(from, to);
            from = to + 1;
        }
        // The help is the first document, its history empty.
        fCurrentFileName = fLastFileName = fHelpFile;
        fPagesStart = new int[fPagesStartSize];
        fPagePos = fCursorPos = fPrevCursorPos = 0;
        fWordWrapEn = true;
        fLightMode = false;
        fDebugMode = false;
        gw = 0;
        fInfoMode = MODE_START;
        fInfoMsg = "Quorix reader 2.1";
        fCanvas = new TBookCanvas(this);
        Display.getDisplay(this).setCurrent(fCanvas);
        fCanvas.repaint();
        load(fFontFile);
    }

    // The next `bytes` bytes of fIn as one big-endian number; the end of the data is an error,
    // so a short file stops where it ends.
    static int read(int bytes) throws Exception {
        int value = 0;
        while (--bytes >= 0) {
            int b = fIn.read();
            if (b < 0) {
                throw new Exception();
            }
            value = value << 8 | b;
        }
        return value;
    }

    // Reads font.dat or, for a document, the page at fCursorPos. Each resource opens afresh; a
    // missing one puts its name in the message box, on every page of a missing document, and
    // the keys go on working.
    //
    // font.dat: height (1), table size (2), then per byte value its width (1) and columns (2 each).
    // A short or inconsistent file is read as far as it fits; bytes without a record use byte 0's.
    //
    // A document: its length (4), then text. Every page load skips from the beginning to the
    // offset, so memory stays one page.
    static void load(String name) {
        // Only "/font.dat" of the three names holds an 'f'; a search costs the class file less
        // than a comparison's branches.
        int font = name.indexOf('f', 0);
        int start = (int) System.currentTimeMillis();
        if (font > 0) {
            fCharHeight = 0;
            fCharOffset = new short[256];
            fCharBuff = new short[1];
        } else {
            // The page on screen starts here, however often it is painted; the next paint
            // measures the canvas, which may have turned or lost its soft-key bar.
            fPrevCursorPos = fCursorPos;
            gw = 0;
            fPageLen = 0;
            fSize = 0;
        }
        fIn = fCanvas.getClass().getResourceAsStream(name);
        if (fIn == null) {
            fInfoMsg = name;
            if (font < 0) {
                fInfoMode = MODE_MISSING;
            }
        } else {
            try {
                if (font > 0) {
                    fCharHeight = read(1);
                    // Rows below the glyph height are cleared here, so drawing needs no row count.
                    int rows = fCharHeight < 16 ? (1 << fCharHeight) - 1 : 0xFFFF;
                    fCharBuff = new short[read(2) + 1];
                    int pos = 0;
                    for (int i = 0; i < 256; i++) {
                        int width = read(1);
                        if (pos + width >= fCharBuff.length) {
                            break;
                        }
                        fCharBuff[pos] = (short) width;
                        for (int c = 1; c <= width; c++) {
                            fCharBuff[pos + c] = (short) (read(2) & rows);
                        }
                        fCharOffset[i] = (short) pos;
                        pos += width + 1;
                    }
                } else {
                    fSize = read(4);
                    // Skipping reads into the page buffer; nothing past fPageLen is ever read, so
                    // what the skip leaves there needs no clearing.
                    int n = 1;
                    for (int skip = fCursorPos; skip > 0 && n > 0; skip -= n) {
                        n = fIn.read(fPageBuff, 0, Math.min(skip, fPageReadSize));
                    }
                    while (fPageLen < fPageReadSize
                            && (n = fIn.read(fPageBuff, fPageLen, fPageReadSize - fPageLen)) > 0) {
                        fPageLen += n;
                    }
                }
                fIn.close();
            } catch (Exception e) {
                System.out.println(new StringBuffer().append(font > 0 ? "font io error: " : "data io error: ")
                        .append(e.getMessage()).toString());
            }
        }
        fLoadTime = (int) System.currentTimeMillis() - start;
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
            if (BREAKS.indexOf(b, 0) >= 0) {  // the same String method as the start-up split
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

    // The page's lines, glyph by glyph: one filled rectangle per vertical run of ink in a
    // column (bit k is row k); then the progress bar in the last column. Laid out from the
    // start fixed by the load, so a paint no key asked for draws the same page again.
    static void paintOffScreen(Graphics g) {
        fCursorPos = fPrevCursorPos;
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
                for (len += pos; pos < len; pos++) {
                    int rec = fCharOffset[fPageBuff[pos] & 0xFF];
                    int w = fCharBuff[rec];
                    for (int c = 0; c < w; c++) {
                        int bits = fCharBuff[rec + 1 + c] & 0xFFFF;
                        // A run from row `top` ends at the first clear bit r; none is left once
                        // no bit from `top` down is set.
                        for (int r = 0, top = 0; bits >> top != 0; r++) {
                            if ((bits >> r & 1) == 0) {
                                if (r > top) {
                                    g.fillRect(x + c, y + top, 1, r - top);
                                }
                                top = r + 1;
                            }
                        }
                    }
                    x += w + (-w >>> 31);  // plus the gap, unless there is no glyph (w is 0 to 255)
                }
                // A height below 2 would give no line pitch; such a font still pages.
                y += Math.max(fCharHeight - 1, 1);
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

    // Pink box with a black outline over (x, y) to (x + w, y + h) and a black shadow one pixel
    // right and down, for messages and the key list: three fills give the same pixels as an
    // outline and two lines, with fewer graphics calls in the class file. Leaves black set.
    static void drawBox(Graphics g, int x, int y, int w, int h) {
        g.setColor(0, 0, 0);
        g.fillRect(x + 1, y + 1, w + 1, h + 1);
        g.fillRect(x, y, w + 1, h + 1);
        g.setColor(255, 213, 224);
        g.fillRect(x + 1, y + 1, w - 1, h - 1);
        g.setColor(0, 0, 0);
    }

    public void paint(Graphics g) {
        int start = (int) System.currentTimeMillis();
        Font font = Font.getFont(Font.FACE_SYSTEM, Font.STYLE_PLAIN, Font.SIZE_SMALL);
        int fh = font.getHeight();
        g.setFont(font);
        if (gw == 0) {
            gw = g.getClipWidth();
            int h = g.getClipHeight();
            // Plus fClipped where h is 144: (h ^ 144) - 1 is negative for 144 alone.
            gh = h + ((h ^ 144) - 1 >> 31 & fClipped);
        }
        int mode = fInfoMode;
        // A box goes over what the screen shows; every other mode draws the whole screen.
        if (mode != MODE_MESSAGE) {
            g.setColor(255, 255, 255);
            g.fillRect(0, 0, gw, gh);
            g.setColor(0, 0, 0);
            if (mode == MODE_START) {
                g.drawString(fLogo, (gw - font.stringWidth(fLogo)) / 2, gh - fh - 2, ANCHOR);
            } else {
                paintOffScreen(g);
            }
        }
        if (mode == MODE_PAGE) {
            // no box
        } else if (fInfoMsg == fTexts[MSG + 2]) {
            int list = SHORT_KEYS * ((gh - 128) >>> 31);  // the short list below 128 pixels
            drawBox(g, 2, 2, gw - 8, gh - 8);
            int x = 4;
            int y = 6;
            for (int i = 0; i < 9; i++) {
                g.drawString(fTexts[list + i], x + 2, y, ANCHOR);
                y += fh + 2;
                if (y + fh + 2 > gh - 8) {
                    // The next column sits at the right edge, as wide as its widest item.
                    int widest = 0;
                    for (int j = i + 1; j < 9; j++) {
                        widest = Math.max(widest, font.stringWidth(fTexts[list + j]));
                    }
                    y = 6;
                    x = gw - 8 - widest - 4;
                }
            }
        } else {
            int w = font.stringWidth(fInfoMsg) + 4;
            int x = (gw - w) >> 1;
            drawBox(g, x, 8, w, fh + 5);
            g.drawString(fInfoMsg, x + 3, 11, ANCHOR);
        }
        // A box stays until the next key closes it, and every paint till then draws it again;
        // a missing document's name stays on its page, and does not hold the keys up.
        fInfoMode = mode % MODE_MISSING == 0 ? mode : MODE_MESSAGE;
        fPaintTime = (int) System.currentTimeMillis() - start;
        if (fDebugMode) {
            int y = gh - 2 * fh - 3;
            g.setColor(176, 192, 0);
            g.fillRect(0, y, gw, 2 * fh + 3);
            g.setColor(0, 0, 0);
            g.drawString(new StringBuffer().append(fPagePos).append(", ").append(fCursorPos).append(" : ")
                    .append(fLoadTime).append(", ").append(fPaintTime).toString(), 1, y + 1, ANCHOR);
            // A phone's heap is far below 2 GB; int figures spare the long append.
            Runtime rt = Runtime.getRuntime();
            g.drawString(new StringBuffer().append((int) rt.freeMemory()).append(", ")
                    .append((int) rt.totalMemory()).toString(), 1, y + fh + 1, ANCHOR);
        }
    }

    // A message box shows until the next key, which only closes it and reloads the page, so that
    // a changed word-wrap setting takes effect.
    public void keyPressed(int key, int action) {
        if (fInfoMode == MODE_MESSAGE) {
            fCursorPos = fPrevCursorPos;
            fInfoMode = MODE_PAGE;
            load(fCurrentFileName);
        } else {
            if ((key - '0' | '9' - key) < 0) {  // not a digit key: one test, not two
                // UP and LEFT go back as 7 does, FIRE saves as 5 does, and any other action
                // (RIGHT, DOWN, none at all) turns the page as 0 does. Bit n of a mask stands
                // for action n; masks and sums cost the class file less than branches.
                key = '0' + 7 * ((1 << Canvas.UP | 1 << Canvas.LEFT) >> action & 1)
                        + 5 * ((1 << Canvas.FIRE) >> action & 1);
            }
            handleKey(key);
        }
        fCanvas.repaint();
        fCanvas.serviceRepaints();
    }

    // The message goes in before the load, so that a missing document can put its name there.
    // Every change of document clears the page history and starts at its beginning.
    static void handleKey(int key) {
        key -= '0';
        // Toggles flip with ^ rather than !, which costs the class file two branches each.
        boolean on = true;
        if (key == 3) {
            on = fWordWrapEn ^= true;
        }
        if (key == 8) {
            on = fDebugMode ^= true;
        }
        if (key == 9) {
            fCanvas.light(on = fLightMode ^= true);
        }
        if (key > 0 && key <= 9 && key != 7) {
            fInfoMsg = fTexts[on ? MSG + key : MSG + 10 + key];
            fInfoMode = MODE_PAGE_MESSAGE;
        }
        switch (key) {
            case 5:
                bookmark(true);
                // fall through: no page load
            case 2:
            case 3:
            case 9:
                fInfoMode = MODE_MESSAGE;
                return;
            case 1:
            case 4:
            case 6:
                String name = fCurrentFileName = key == 1 ? fHelpFile : fBookFile;
                if (name != fLastFileName) {
                    fLastFileName = name;
                    for (int i = 0; i < fPagesStartSize; i++) {
                        fPagesStart[i] = 0;
                    }
                    fPagePos = 0;
                    fCursorPos = 0;
                }
                if (key == 6) {
                    fPagePos = (fPagePos + 1) % fPagesStartSize;
                    bookmark(false);
                    fPagesStart[fPagePos] = fCursorPos;
                } else {
                    fCursorPos = 0;
                }
                break;
            case 7:
                fPagesStart[fPagePos] = 0;
                fPagePos = (fPagePos == 0 ? fPagesStartSize : fPagePos) - 1;
                fCursorPos = fPagesStart[fPagePos];
                break;
            case 8:
                // The page on screen is drawn again under the message, not the next one.
                fCursorPos = fPrevCursorPos;
                break;
            default:
                fPagePos = (fPagePos + 1) % fPagesStartSize;
                fPagesStart[fPagePos] = fCursorPos;
        }
        load(fCurrentFileName);
    }

    // Record 1 holds the offset of the page on screen in three 7-bit groups, lowest first. The
    // runtime keys an application's stores by its name, which a book installed over another of
    // that name shares, so the store is named after this book: a number made of its length and
    // first bytes. Another book's bookmark is then never found; a missing one leaves the offset
    // as it is.
    static void bookmark(boolean save) {
        try {
            fIn = fCanvas.getClass().getResourceAsStream(fBookFile);
            int id = read(4);
            for (int i = 0; i < 256; i++) {
                id = id * 31 + fIn.read();  // -1 past the end
            }
            fIn.close();
            RecordStore rs = RecordStore.openRecordStore(new StringBuffer().append(id).toString(), save);
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
            System.err.println(new StringBuffer().append(save ? "save error " : "read store error ")
                    .append(e.getMessage()).toString());
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
