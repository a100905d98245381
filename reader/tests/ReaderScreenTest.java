// ReaderScreenTest.java - the reader seen from outside: screen pixels, texts, keys, record store
// and lights. Runs against both the compiled sources and the committed class files.

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertNull;
import static org.junit.Assert.assertTrue;

import com.nokia.mid.ui.DeviceControl;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import javax.microedition.lcdui.Font;
import javax.microedition.lcdui.Graphics;
import javax.microedition.rms.RecordStore;
import org.junit.Test;

public class ReaderScreenTest extends ReaderFixture {
    void writeAll(String help, String book) {
        write("font.dat", fontDat(13, widths(4), 1));
        write("help.dat", doc(help));
        write("book.dat", doc(book));
    }

    @Test
    public void startScreenShowsLogoAndVersionBox() {
        writeAll("h\r", "b\r");
        start();
        assertEquals(0, Font.lastFace);
        assertEquals(0, Font.lastStyle);
        assertEquals(8, Font.lastSize);
        Graphics.Text logo = screen.texts.get(0);
        assertEquals("www.kelvatrone.com", logo.text);
        assertEquals((176 - 18 * 5) / 2, logo.x);
        assertEquals(208 - 10 - 2, logo.y);
        assertEquals(Graphics.TOP | Graphics.LEFT, logo.anchor);
        assertEquals("Quorix reader 2.1", message());
        // Box: 17 characters of 5 pixels + 4 wide, font height + 5 high, centred at y = 8.
        int w = 17 * 5 + 4, h = 15, x = (176 - w) >> 1, y = 8;
        assertEquals(BLACK, screen.pixel(x, y));
        assertEquals(BLACK, screen.pixel(x + w, y + h));
        assertEquals(PINK, screen.pixel(x + 1, y + 1));
        assertEquals(PINK, screen.pixel(x + w - 1, y + h - 1));
        assertEquals(BLACK, screen.pixel(x + 1, y + h + 1));
        assertEquals(BLACK, screen.pixel(x + w, y + h + 1));
        assertEquals(WHITE, screen.pixel(x, y + h + 1));
        assertEquals(BLACK, screen.pixel(x + w + 1, y + 1));
        assertEquals(BLACK, screen.pixel(x + w + 1, y + h + 1));
        assertEquals(WHITE, screen.pixel(x + w + 1, y));
        assertEquals(x + 3, screen.texts.get(1).x);
    }

    @Test
    public void firstKeyOnlyClosesTheStartMessageAndShowsHelp() {
        writeAll("hh\r", "bb\r");
        start();
        key(-20);
        assertNull(message());
        assertTrue(lineDrawn(0, 12));
        assertEquals(BLACK, screen.pixel(6, 0));  // second glyph at x = 1 + 4 + 1
        assertEquals(WHITE, screen.pixel(5, 0));
    }

    @Test
    public void pageHoldsSeventeenLinesOnA208PixelScreenWithHeight13() {
        writeAll(repeat("a\r", 40), "b\r");
        start();
        key('0');
        for (int k = 0; k < 17; k++) {
            assertTrue("line " + k, lineDrawn(k, 12));
        }
        assertEquals(WHITE, screen.pixel(1, 17 * 12));
    }

    @Test
    public void progressBarIsRedForAnEmptyDocument() {
        writeAll("", "b\r");
        start();
        key('0');
        for (int y = 0; y < 208; y++) {
            assertEquals(RED, screen.pixel(175, y));
        }
    }

    @Test
    public void progressBarSplitsAtTheEndOfThePage() {
        writeAll(repeat("x\r", 50), "b\r");  // 100 bytes; the first page ends at 34
        start();
        key('0');
        int split = 34 * 208 / 100;
        assertEquals(GREEN, screen.pixel(175, 0));
        assertEquals(GREEN, screen.pixel(175, split - 1));
        assertEquals(RED, screen.pixel(175, split));
        assertEquals(RED, screen.pixel(175, 207));
        assertEquals(WHITE, screen.pixel(174, 0));
    }

    @Test
    public void progressBarIsGreenAtTheEnd() {
        writeAll("ab\rcd\r", "b\r");
        start();
        key('0');
        for (int y = 0; y < 208; y++) {
            assertEquals(GREEN, screen.pixel(175, y));
        }
        key('0');  // past the end: an empty page, still all green
        assertEquals(WHITE, screen.pixel(1, 0));
        assertEquals(GREEN, screen.pixel(175, 207));
    }

    List<String> drawnTexts() {
        List<String> t = new ArrayList<>();
        for (Graphics.Text x : screen.texts) {
            t.add(x.text);
        }
        return t;
    }

    @Test
    public void keyListFullFrom128PixelsShortBelow() {
        writeAll("h\r", "b\r");
        start(176, 128, 128);
        key('0');
        key('2');
        assertEquals(Arrays.asList("1 full help", "2 keys", "3 word wrap", "4 first page", "5 save bookmark",
                "6 goto bookmark", "7 prev page", "9 light on/off", "0*# next page"), drawnTexts());
        assertEquals(BLACK, screen.pixel(2, 2));
        assertEquals(BLACK, screen.pixel(2 + 168, 2 + 120));
        assertEquals(PINK, screen.pixel(3, 3));
        // 12 pixels a line; after 9 lines y = 114 > 120 - 12 would start a second column only after the last item.
        assertEquals(6, screen.texts.get(0).x);
        assertEquals(6 + 12 * 8, screen.texts.get(8).y);

        start(176, 127, 127);
        key('0');
        key('2');
        List<String> shortList = Arrays.asList("1 full hlp", "2 keys", "3 w wrap", "4 first", "5 save mark",
                "6 goto mark", "7 prev", "9 light", "0*# next");
        assertEquals(shortList, drawnTexts());
        assertEquals(102, screen.texts.get(8).y);  // still one column

        // 80 high: after five items y + 12 passes 72, and the rest go right, by their widest item.
        start(176, 80, 80);
        key('0');
        key('2');
        assertEquals(54, screen.texts.get(4).y);
        assertEquals(6, screen.texts.get(5).y);
        assertEquals(176 - 8 - 11 * 5 - 4 + 2, screen.texts.get(5).x);
        assertEquals(42, screen.texts.get(8).y);
    }

    @Test
    public void keysShowTheirMessages() {
        writeAll(repeat("a\r", 40), repeat("b\r", 40));
        start();
        key('0');
        String[][] cases = {{"1", "help review"}, {"3", "word wrap off"}, {"3", "word wrap on"},
            {"4", "book review"}, {"5", "bookmark saved"}, {"6", "bookmark loaded"}, {"8", "debug mode on"},
            {"8", "debug mode off"}, {"9", "light on"}, {"9", "light off"}};
        for (String[] c : cases) {
            key(c[0].charAt(0));
            assertEquals("key " + c[0], c[1], message());
            key(-20);  // closes the box
            assertNull(message());
        }
        key('7');
        assertNull(message());
        key(-4);
        assertNull(message());
    }

    @Test
    public void lightFollowsTheCanvasVariant() {
        writeAll("h\r", "b\r");
        start();
        key('0');
        key('9');
        key('0');
        key('9');
        if (NOKIA) {
            assertEquals(Arrays.asList("setLights(0, 100)", "setLights(0, 0)"), DeviceControl.calls);
        } else {
            assertTrue(DeviceControl.calls.isEmpty());
        }
        assertEquals("light off", message());
    }

    // Book of lines "a\r"; the line at offset 90000 starts a run of wide glyphs that shows on screen.
    @Test
    public void bookmarkIsThreeSevenBitGroups() {
        int[] w = widths(4);
        w['W'] = 9;
        write("font.dat", fontDat(13, w, 1));
        write("help.dat", doc("h\r"));
        StringBuilder book = new StringBuilder(repeat("a\r", 45000));
        book.append(repeat("W\r", 20));
        write("book.dat", doc(book.toString()));
        start();
        key('0');
        RecordStore.stores.put(store(), new ArrayList<>(Arrays.asList(new byte[] {16, 63, 5})));
        key('6');
        assertEquals("bookmark loaded", message());
        assertEquals(BLACK, screen.pixel(9, 0));  // a 9-column glyph: only 'W' reaches x = 9
        key('0');
        key('5');
        assertArrayEquals(new byte[] {16, 63, 5}, RecordStore.stores.get(store()).get(0));
        assertEquals(1, RecordStore.stores.get(store()).size());
        assertEquals(0, RecordStore.openCount);
    }

    @Test
    public void missingResourcesShowTheirNames() {
        write("help.dat", doc("h\r"));
        start();
        assertEquals("/font.dat", message());
        key('0');
        key('4');
        assertEquals("/book.dat", message());
        key('0');
        key('1');
        assertEquals("help review", message());
    }

    @Test
    public void debugStripShowsPositionAndMemory() {
        writeAll(repeat("a\r", 40), "b\r");
        start();
        key('0');
        key('8');
        key('0');
        List<String> t = drawnTexts();
        String first = t.get(t.size() - 2);
        assertTrue(first, first.startsWith("0, 34 : "));
        assertEquals(208 - 20 - 2, screen.texts.get(t.size() - 2).y);
        assertEquals(208 - 10 - 2, screen.texts.get(t.size() - 1).y);
        assertEquals(0xB0C000, screen.pixel(0, 208 - 23));
        assertFalse(screen.pixel(0, 208 - 24) == 0xB0C000);
    }
}
