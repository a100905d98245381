// ReaderJarTest.java - the reader as the tool ships it: each JAR in the directories named by
// -Dquorix.jars (phone=dir items, phone "nokia" or "any", split by the path separator) is loaded through a class loader of its own, so the classes, font.dat, book.dat
// and help.dat all come from that JAR. The pages on screen are compared pixel for pixel with a
// rendering made here from the same font.dat and documents.

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.lang.reflect.Method;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.charset.Charset;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collection;
import java.util.List;
import java.util.jar.JarFile;
import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Font;
import javax.microedition.lcdui.Graphics;
import javax.microedition.rms.RecordStore;
import org.junit.Test;
import org.junit.runner.RunWith;
import org.junit.runners.Parameterized;
import org.junit.runners.Parameterized.Parameters;

@RunWith(Parameterized.class)
public class ReaderJarTest {
    static final int WHITE = 0xFFFFFF, BLACK = 0, RED = 0xFF0000, GREEN = 0x00FF00;
    static final String BREAKS = " !,-:;?";

    @Parameters(name = "{0} {2}x{3}")
    public static Collection<Object[]> jars() {
        List<Object[]> list = new ArrayList<>();
        for (String item : System.getProperty("quorix.jars").split(File.pathSeparator)) {
            String phone = item.substring(0, item.indexOf('='));
            String dir = item.substring(item.indexOf('=') + 1);
            File[] files = new File(dir).listFiles((d, n) -> n.endsWith(".jar"));
            assertTrue("no JARs in " + dir, files != null && files.length > 1);
            Arrays.sort(files);
            for (File f : files) {
                list.add(new Object[] {f, phone, 128, 160});
                list.add(new Object[] {f, phone, 176, 208});
            }
        }
        return list;
    }

    final File jar;
    final boolean fullScreen;
    final int gw, gh;

    public ReaderJarTest(File jar, String phone, int gw, int gh) {
        this.jar = jar;
        this.fullScreen = phone.equals("nokia");
        this.gw = gw;
        this.gh = gh;
    }

    // The glyphs of font.dat, read the way the format is documented: height, table size, then
    // per byte value a width and that many 16-bit columns.
    static final class Glyphs {
        final int height;
        final int[][] columns = new int[256][];

        Glyphs(byte[] dat) {
            height = dat[0] & 0xFF;
            int at = 3;
            for (int j = 0; j < 256; j++) {
                int w = dat[at++] & 0xFF;
                columns[j] = new int[w];
                for (int c = 0; c < w; c++, at += 2) {
                    columns[j][c] = (dat[at] & 0xFF) << 8 | dat[at + 1] & 0xFF;
                }
            }
            assertEquals("font.dat ends after the last record", dat.length, at);
            assertEquals("table size", dat.length - 3, (dat[1] & 0xFF) << 8 | dat[2] & 0xFF);
        }
    }

    // A whole screen as the page starting at offset 0 of `doc` should look, with word wrap on.
    // Returns the pixels; `lines` receives each line drawn, one char per byte.
    int[] render(Glyphs font, byte[] doc, List<String> lines) {
        int[] px = new int[gw * gh];
        Arrays.fill(px, WHITE);
        int size = (doc[0] & 0xFF) << 24 | (doc[1] & 0xFF) << 16 | (doc[2] & 0xFF) << 8 | doc[3] & 0xFF;
        int end = Math.min(doc.length, 4 + 2998);  // a page load reads at most 2998 text bytes
        int pos = 4;
        int y = 0;
        while (pos < end) {
            int next = lineEnd(font, doc, pos, end, gw - 2);
            lines.add(new String(doc, pos, next - pos, StandardCharsets.ISO_8859_1));
            int x = 1;
            for (; pos < next; pos++) {
                int[] cols = font.columns[doc[pos] & 0xFF];
                for (int c = 0; c < cols.length; c++) {
                    for (int r = 0; r < Math.min(font.height, 16); r++) {
                        if ((cols[c] >> r & 1) != 0 && x + c < gw && y + r < gh) {
                            px[(y + r) * gw + x + c] = BLACK;
                        }
                    }
                }
                if (cols.length > 0) {
                    x += cols.length + 1;
                }
            }
            y += font.height - 1;
            if (y + font.height > gh) {
                break;
            }
        }
        int split = size == 0 ? 0 : (pos - 4) * gh / size;
        for (int r = 0; r < gh; r++) {
            px[r * gw + gw - 1] = r < split ? GREEN : RED;
        }
        return px;
    }

    // Index just past the line starting at `from`: through a CR, else before the byte that
    // overflows `limit`, or after the last break byte before it when that byte is no break.
    static int lineEnd(Glyphs font, byte[] doc, int from, int end, int limit) {
        int width = 0;
        int afterBreak = -1;
        for (int i = from; i < end; i++) {
            int b = doc[i] & 0xFF;
            if (b == '\r') {
                return i + 1;
            }
            boolean isBreak = BREAKS.indexOf(b) >= 0;
            width += font.columns[b].length + 1;  // no glyph still counts one pixel
            if (width > limit) {
                if (!isBreak && afterBreak > 0) {
                    return afterBreak;
                }
                return i == from ? i + 1 : i;
            }
            if (isBreak) {
                afterBreak = i + 1;
            }
        }
        return end;
    }

    static byte[] entry(JarFile jf, String name) throws IOException {
        try (InputStream in = jf.getInputStream(jf.getJarEntry(name))) {
            ByteArrayOutputStream b = new ByteArrayOutputStream();
            byte[] buf = new byte[4096];
            for (int n; (n = in.read(buf)) > 0; ) {
                b.write(buf, 0, n);
            }
            return b.toByteArray();
        }
    }

    Graphics screen;
    Canvas canvas;
    Method keyPressed;

    void key(int code) throws Exception {
        screen.texts.clear();
        keyPressed.invoke(canvas, code);
    }

    String message() {
        for (Graphics.Text t : screen.texts) {
            if (t.y == 11) {
                return t.text;
            }
        }
        return null;
    }

    // Compares the screen with `expected`, leaving out the rectangle [x0, x1) x [y0, y1).
    void assertScreen(String what, int[] expected, List<String> lines, int x0, int y0, int x1, int y1) {
        for (int y = 0; y < gh; y++) {
            for (int x = 0; x < gw; x++) {
                if (x >= x0 && x < x1 && y >= y0 && y < y1) {
                    continue;
                }
                int want = expected[y * gw + x];
                int got = screen.pixel(x, y);
                if (want != got) {
                    // The lines are byte strings; the samples are Windows-1251 text.
                    String text = new String(String.join("|", lines).getBytes(StandardCharsets.ISO_8859_1),
                            Charset.forName("windows-1251"));
                    throw new AssertionError(String.format("%s: %s, pixel (%d, %d) is %06X, expected %06X;"
                            + " lines %s", what, jar, x, y, got, want, text));
                }
            }
        }
    }

    // Guards the comparison against an empty font or page, which would match a blank screen.
    static void assertInked(String what, Glyphs font, List<String> lines, int[] px) {
        assertTrue(what + " shows several lines: " + lines, lines.size() > 1);
        for (String line : lines) {
            for (char ch : line.toCharArray()) {
                assertTrue(what + ": byte " + (int) ch + " has a glyph", ch < 32 || font.columns[ch].length > 0);
            }
        }
        int ink = 0;
        for (int p : px) {
            ink += p == BLACK ? 1 : 0;
        }
        assertTrue(what + " has ink", ink > 50);
    }

    @Test
    public void firstHelpAndBookPagesMatchTheFont() throws Exception {
        Glyphs font;
        byte[] help, book;
        try (JarFile jf = new JarFile(jar)) {
            font = new Glyphs(entry(jf, "font.dat"));
            help = entry(jf, "help.dat");
            book = entry(jf, "book.dat");
        }
        try (URLClassLoader loader = new URLClassLoader(new URL[] {jar.toURI().toURL()},
                ReaderJarTest.class.getClassLoader())) {
            Class<?> midlet = loader.loadClass("TBookMIDlet");
            Class<?> canvasClass = loader.loadClass("TBookCanvas");
            assertEquals(loader, midlet.getClassLoader());
            assertEquals(fullScreen ? "com.nokia.mid.ui.FullCanvas" : "javax.microedition.lcdui.Canvas",
                    canvasClass.getSuperclass().getName());
            RecordStore.stores.clear();
            screen = new Graphics(gw, gh, gh);
            Canvas.screen = screen;
            midlet.getConstructor().newInstance();
            canvas = (Canvas) Display.current;
            assertEquals(canvasClass, canvas.getClass());
            keyPressed = canvasClass.getMethod("keyPressed", int.class);
            canvas.repaint();
            canvas.serviceRepaints();
            assertEquals("Quorix reader 2.1", message());

            List<String> lines = new ArrayList<>();
            int[] helpPage = render(font, help, lines);
            assertInked("help page", font, lines, helpPage);
            key('0');
            assertEquals(null, message());
            assertScreen("help page", helpPage, lines, 0, 0, 0, 0);

            lines.clear();
            int[] bookPage = render(font, book, lines);
            assertInked("book page", font, lines, bookPage);
            key('4');
            assertEquals("book review", message());
            // The message box and its shadow cover (x, 8) to (x + w + 1, 8 + h + 1).
            int w = new Font().stringWidth("book review") + 4;
            int h = Font.HEIGHT + 5;
            int x = (gw - w) >> 1;
            assertScreen("book page under the message", bookPage, lines, x, 8, x + w + 2, 8 + h + 2);
            key('0');  // closes the box: the same page again, now whole
            assertEquals(null, message());
            assertScreen("book page", bookPage, lines, 0, 0, 0, 0);
        }
    }
}
