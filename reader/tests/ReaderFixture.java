// ReaderFixture.java - writes the reader's resources, starts it on a test screen, presses keys.

import com.nokia.mid.ui.DeviceControl;
import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Graphics;
import javax.microedition.rms.RecordStore;
import org.junit.After;
import org.junit.Before;

public abstract class ReaderFixture {
    static final File RES = new File(System.getProperty("quorix.res"));
    static final boolean NOKIA = "nokia".equals(System.getProperty("quorix.canvas"));
    static final int WHITE = 0xFFFFFF, BLACK = 0, RED = 0xFF0000, GREEN = 0x00FF00, PINK = 0xFFD5E0;
    static final int UNTOUCHED = 0x123456;

    TBookCanvas canvas;
    Graphics screen;
    final ByteArrayOutputStream out = new ByteArrayOutputStream();
    final ByteArrayOutputStream err = new ByteArrayOutputStream();
    PrintStream savedOut, savedErr;

    @Before
    public void resetPhone() {
        RES.mkdirs();
        for (String name : new String[] {"font.dat", "book.dat", "help.dat"}) {
            new File(RES, name).delete();
        }
        RecordStore.stores.clear();
        Canvas.paintsTwice = false;
        Canvas.actionThrows = false;
        DeviceControl.calls.clear();
        savedOut = System.out;
        savedErr = System.err;
        System.setOut(new PrintStream(out, true));
        System.setErr(new PrintStream(err, true));
    }

    @After
    public void restoreStreams() {
        System.setOut(savedOut);
        System.setErr(savedErr);
    }

    // font.dat with the given height; byte j has widths[j] columns, each the given column word.
    static byte[] fontDat(int height, int[] widths, int column) {
        ByteArrayOutputStream b = new ByteArrayOutputStream();
        int sum = 0;
        for (int w : widths) {
            sum += w;
        }
        int table = 256 + 2 * sum;
        b.write(height);
        b.write(table >> 8);
        b.write(table);
        for (int w : widths) {
            b.write(w);
            for (int c = 0; c < w; c++) {
                b.write(column >> 8);
                b.write(column);
            }
        }
        return b.toByteArray();
    }

    // Printable bytes 4 columns wide with ink in row 0; control bytes, CR and LF without glyph.
    static int[] widths(int printable) {
        int[] w = new int[256];
        for (int j = 32; j < 256; j++) {
            w[j] = printable;
        }
        return w;
    }

    static byte[] doc(String text) {
        return doc(text.getBytes(StandardCharsets.ISO_8859_1));
    }

    static byte[] doc(byte[] text) {
        byte[] d = new byte[text.length + 4];
        int n = text.length;
        d[0] = (byte) (n >> 24);
        d[1] = (byte) (n >> 16);
        d[2] = (byte) (n >> 8);
        d[3] = (byte) n;
        System.arraycopy(text, 0, d, 4, n);
        return d;
    }

    static void write(String name, byte[] bytes) {
        try (FileOutputStream f = new FileOutputStream(new File(RES, name))) {
            f.write(bytes);
        } catch (IOException e) {
            throw new RuntimeException(e);
        }
    }

    static String repeat(String s, int n) {
        StringBuilder b = new StringBuilder();
        for (int i = 0; i < n; i++) {
            b.append(s);
        }
        return b.toString();
    }

    // The record store of the book.dat written last, named by the book: its length, then each
    // of its first 256 text bytes (-1 past its end), folded by 31.
    static String store() {
        byte[] d;
        try {
            d = Files.readAllBytes(new File(RES, "book.dat").toPath());
        } catch (IOException e) {
            throw new RuntimeException(e);
        }
        int id = (d[0] & 0xFF) << 24 | (d[1] & 0xFF) << 16 | (d[2] & 0xFF) << 8 | d[3] & 0xFF;
        for (int i = 4; i < 260; i++) {
            id = id * 31 + (i < d.length ? d[i] & 0xFF : -1);
        }
        return Integer.toString(id);
    }

    // Starts the reader and shows its first paint, the start screen.
    void start(int width, int height, int clipHeight) {
        screen = new Graphics(width, height, clipHeight);
        Canvas.screen = screen;
        new TBookMIDlet();
        canvas = (TBookCanvas) Display.current;
        canvas.repaint();
        canvas.serviceRepaints();
    }

    void start() {
        start(176, 208, 208);
    }

    void key(int code) {
        screen.texts.clear();
        canvas.keyPressed(code);
        canvas.eventsDone();
    }

    void key(char digit) {
        key((int) digit);
    }

    // The text of the message box drawn by the last paint, or null.
    String message() {
        for (Graphics.Text t : screen.texts) {
            if (t.y == 11) {
                return t.text;
            }
        }
        return null;
    }

    // Whether the page's line k (0 = top) has a glyph drawn at the text area's left edge.
    boolean lineDrawn(int k, int pitch) {
        return screen.pixel(1, k * pitch) == BLACK;
    }
}
