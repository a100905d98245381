// EOFException.java - CLDC 1.0, signatures only.
package java.io;

public class EOFException extends IOException {
    public EOFException() {}
    public EOFException(String s) {}
}
